#ifndef ENGINE_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
#define ENGINE_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_command_line.h"
#include "include/cef_unused_interfaces.h"

// Hooks of the browser process, called on the engine's UI thread.
class CefBrowserProcessHandler : public virtual CefBaseRefCounted {
public:
    // Once, when the engine's context is ready for browsers to be created.
    virtual void OnContextInitialized() {}
    virtual void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> /*command_line*/) {}
    virtual void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> /*extra_info*/) {}
    virtual CefRefPtr<CefPrintHandler> GetPrintHandler() { return nullptr; }
    virtual void OnScheduleMessagePumpWork(int64 /*delay_ms*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
