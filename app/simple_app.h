#ifndef APP_SIMPLE_APP_H_
#define APP_SIMPLE_APP_H_

#include "include/cef_app.h"

// The application's hooks into the engine, the same in every process role: the engine's command
// line gets the client's remote-debugging port, autoplay policy, user agent and GPU switch.
class SimpleApp : public CefApp, public CefBrowserProcessHandler {
public:
    SimpleApp() = default;

    // CefApp
    void OnBeforeCommandLineProcessing(const CefString &process_type,
                                       CefRefPtr<CefCommandLine> command_line) override;
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }

    // CefBrowserProcessHandler. The browser is created by the main window, not here.
    void OnContextInitialized() override {}

    // The user agent every request and page script sees: a fixed browser identification followed
    // by the client's own token and version.
    static std::string UserAgent();

private:
    IMPLEMENT_REFCOUNTING(SimpleApp);
    DISALLOW_COPY_AND_ASSIGN(SimpleApp);
};

#endif  // APP_SIMPLE_APP_H_
