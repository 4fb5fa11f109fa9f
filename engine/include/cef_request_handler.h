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
    // This engine's addition: a navigation the program asked for found the process of the
    // browser's page not answering, and the process was left running, as other pages live in it
    // and ending it would lose theirs. The navigation goes on once the process answers; the
    // process is ended only when no other page uses it any more.
    virtual void OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> /*browser*/) {}

    // The page navigated to url, of a scheme the engine does not load, which only a handler of
    // the system's could open. Setting allow_os_execution lets the engine start that handler
    // with the process's own environment; left false, nothing starts. (The resource request
    // handler's call, on the browser's request handler here, with the URL for the request.)
    virtual void OnProtocolExecution(CefRefPtr<CefBrowser> /*browser*/, const CefString & /*url*/,
                                     bool & /*allow_os_execution*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_REQUEST_HANDLER_H_
