#ifndef ENGINE_INCLUDE_CEF_REQUEST_HANDLER_H_
#define ENGINE_INCLUDE_CEF_REQUEST_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"

// Events of a browser's requests and of the process that renders its page.
class CefRequestHandler : public virtual CefBaseRefCounted {
public:
    typedef cef_termination_status_t TerminationStatus;

    // The process that rendered the browser's page ended other than by the engine's own request;
    // the page is gone until something is loaded again. A normal end is not reported.
    virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> /*browser*/,
                                           TerminationStatus /*status*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_REQUEST_HANDLER_H_
