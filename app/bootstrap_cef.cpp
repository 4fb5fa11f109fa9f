#include "app/bootstrap_cef.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstring>
#include <string>

#include "app/simple_app.h"
#include "include/cef_app.h"
#include "paths/client_paths.h"
#include "platform/platform.h"

namespace {

// Why pages run outside the engine's sandbox in this run; empty when they run inside it. Switched
// off for a debugging session by the client's --no-sandbox, or by Qt WebEngine's own variable.
std::string sandboxOffReason(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-sandbox") == 0) {
            return "switched off by --no-sandbox";
        }
    }
    if (!qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        return "switched off by QTWEBENGINE_DISABLE_SANDBOX";
    }
    return platform::sandboxUnavailableReason();
}

}  // namespace

int bootstrapCef(int argc, char *argv[], std::string &sandboxOff) {
    const CefMainArgs main_args(argc, argv);
    CefRefPtr<SimpleApp> app(new SimpleApp);

    const int exit_code = CefExecuteProcess(main_args, app.get(), nullptr);
    if (exit_code >= 0) {
        return exit_code;
    }

    CefSettings settings;
    // Without a profile folder the engine keeps its cache and site data in memory only.
    const CefString cache_path(ClientPaths::cacheFolder().toStdString());
    if (!cache_path.empty()) {
        cef_string_utf16_set(cache_path.c_str(), cache_path.length(), &settings.cache_path, 1);
    }
    const char locale[] = "zh-CN";
    cef_string_ascii_to_utf16(locale, sizeof locale - 1, &settings.locale);
    settings.multi_threaded_message_loop = 1;
    settings.log_severity = LOGSEVERITY_DISABLE;

    // Settled here, before anything of the engine or the application object has read the
    // environment: some engine versions read the sandbox's variable earlier than others.
    sandboxOff = sandboxOffReason(argc, argv);
    if (sandboxOff.empty()) {
        platform::serveSandboxedCrashDumps();
    } else {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
        settings.no_sandbox = 1;
    }

    CefInitialize(main_args, settings, app.get(), nullptr);
    return -1;
}
