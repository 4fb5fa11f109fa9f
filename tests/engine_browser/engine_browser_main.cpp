// The suite is a program of the engine like the client itself: the same executable serves the
// engine's sub-processes, and the engine is started before the application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "include/cef_app.h"

namespace {

class TestApp : public CefApp {
public:
    void OnBeforeCommandLineProcessing(const CefString &process_type,
                                       CefRefPtr<CefCommandLine> command_line) override {
        if (process_type.empty()) {
            // An unresolvable name that fails at once, without asking any name server.
            command_line->AppendSwitchWithValue("host-resolver-rules",
                                                "MAP nonexistent.invalid ~NOTFOUND");
            command_line->AppendSwitch("disable-gpu");
        }
    }

private:
    IMPLEMENT_REFCOUNTING(TestApp);
};

}  // namespace

int main(int argc, char **argv) {
    const CefMainArgs args(argc, argv);
    CefRefPtr<TestApp> app(new TestApp);
    const int sub_process_exit_code = CefExecuteProcess(args, app.get(), nullptr);
    if (sub_process_exit_code >= 0) {
        return sub_process_exit_code;
    }

    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    testing::InitGoogleTest(&argc, argv);

    CefSettings settings;
    settings.no_sandbox = 1;
    settings.log_severity = LOGSEVERITY_DISABLE;
    CefInitialize(args, settings, app.get(), nullptr);
    int result = 0;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
        CefShutdown();
    }
    return result;
}
