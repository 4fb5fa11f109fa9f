#ifndef ENGINE_INCLUDE_CEF_LOAD_HANDLER_H_
#define ENGINE_INCLUDE_CEF_LOAD_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"

// Progress of page loads. This engine reports loads of the main frame only: a sub-frame that
// fails to load leaves its page as it is and reaches no callback.
class CefLoadHandler : public virtual CefBaseRefCounted {
public:
    virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> /*browser*/, bool /*isLoading*/,
                                      bool /*canGoBack*/, bool /*canGoForward*/) {}
    virtual void OnLoadStart(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                             TransitionType /*transition_type*/) {}
    virtual void OnLoadEnd(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                           int /*httpStatusCode*/) {}
    // A load failed with a network, certificate or internal error (negative errorCode, ERR_ABORTED
    // when it was cancelled). An HTTP error status is a completed load, not a load error.
    virtual void OnLoadError(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                             ErrorCode /*errorCode*/, const CefString & /*errorText*/,
                             const CefString & /*failedUrl*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_LOAD_HANDLER_H_
