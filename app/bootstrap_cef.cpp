#include "app/bootstrap_cef.h"

#include <string>

#include "app/simple_app.h"
#include "include/cef_app.h"
#include "platform/platform.h"

int bootstrapCef(int argc, char *argv[]) {
    const CefMainArgs main_args(argc, argv);
    CefRefPtr<SimpleApp> app(new SimpleApp);

    const int exit_code = CefExecuteProcess(main_args, app.get(), nullptr);
    if (exit_code >= 0) {
        return exit_code;
    }

    CefSettings settings;
    // Without a profile folder the engine keeps its cache and site data in memory only.
    const CefString cache_path(platform::cachePath());
    if (!cache_path.empty()) {
        cef_string_utf16_set(cache_path.c_str(), cache_path.length(), &settings.cache_path, 1);
    }
    const char locale[] = "zh-CN";
    cef_string_ascii_to_utf16(locale, sizeof locale - 1, &settings.locale);
    settings.multi_threaded_message_loop = 1;
    settings.log_severity = LOGSEVERITY_DISABLE;
    settings.no_sandbox = 1;

    CefInitialize(main_args, settings, app.get(), nullptr);
    return -1;
}
