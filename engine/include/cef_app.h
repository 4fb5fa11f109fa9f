#ifndef ENGINE_INCLUDE_CEF_APP_H_
#define ENGINE_INCLUDE_CEF_APP_H_

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_unused_interfaces.h"
#include "include/internal/cef_types_wrappers.h"

// The application's hooks into the engine, consulted in every process.
class CefApp : public virtual CefBaseRefCounted {
public:
    // Called once per process before the engine reads its switches; what is appended here reaches
    // the engine like a switch given on the command line. process_type is empty in the browser
    // process.
    virtual void OnBeforeCommandLineProcessing(const CefString & /*process_type*/,
                                               CefRefPtr<CefCommandLine> /*command_line*/) {}
    virtual void OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> /*registrar*/) {}
    virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
    virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
    virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// In a process started by the engine for one of its roles (a "--type=" switch), runs that role to
// its end and returns its exit code (0 or greater). In the browser process returns -1 at once.
int CefExecuteProcess(const CefMainArgs &args, CefRefPtr<CefApp> application,
                      void *windows_sandbox_info);

// Starts the engine in the browser process. Call before the QApplication is created, on the thread
// that will run it; the context becomes ready once the application object exists.
bool CefInitialize(const CefMainArgs &args, const CefSettings &settings,
                   CefRefPtr<CefApp> application, void *windows_sandbox_info);

// Closes every browser and releases every engine resource. Call on the initialising thread after
// the application's event loop has returned and before the QApplication is destroyed.
void CefShutdown();

// Ends the engine's own message loop. This engine runs inside the application's event loop and
// never owns one, so the call has nothing to end; it never ends the application's loop.
void CefQuitMessageLoop();

#endif  // ENGINE_INCLUDE_CEF_APP_H_
