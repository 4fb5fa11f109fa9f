#include "src/chromium_switches.h"

namespace {

void appendUnlessGiven(std::vector<std::string> &switches, CefCommandLineImpl &command_line,
                       const std::string &name, const std::string &value = std::string()) {
    if (!command_line.HasSwitch(name)) {
        switches.push_back(value.empty() ? "--" + name : "--" + name + "=" + value);
    }
}

}  // namespace

std::vector<std::string> chromiumSwitches(CefCommandLineImpl &command_line,
                                          const CefSettings &settings) {
    std::vector<std::string> switches = command_line.SwitchStrings();

    const std::string locale = CefString(&settings.locale).ToString();
    if (!locale.empty()) {
        appendUnlessGiven(switches, command_line, "lang", locale);
    }
    if (settings.remote_debugging_port >= 1024 && settings.remote_debugging_port <= 65535) {
        appendUnlessGiven(switches, command_line, "remote-debugging-port",
                          std::to_string(settings.remote_debugging_port));
    }
    if (settings.ignore_certificate_errors) {
        appendUnlessGiven(switches, command_line, "ignore-certificate-errors");
    }
    // Next to QTWEBENGINE_DISABLE_SANDBOX, which engine versions read at different times.
    if (settings.no_sandbox) {
        appendUnlessGiven(switches, command_line, "no-sandbox");
    }
    const std::string js_flags = CefString(&settings.javascript_flags).ToString();
    if (!js_flags.empty()) {
        appendUnlessGiven(switches, command_line, "js-flags", js_flags);
    }
    switch (settings.log_severity) {
        case LOGSEVERITY_DEFAULT:
            break;
        case LOGSEVERITY_DISABLE:
            // Chromium's own messages; page console output is a Qt logging category (the
            // profile's side).
            appendUnlessGiven(switches, command_line, "disable-logging");
            appendUnlessGiven(switches, command_line, "log-level", "3");
            break;
        case LOGSEVERITY_VERBOSE:
            appendUnlessGiven(switches, command_line, "enable-logging", "stderr");
            appendUnlessGiven(switches, command_line, "v", "1");
            break;
        default:
            // Chromium counts from INFO = 0, the engine API from INFO = 2.
            appendUnlessGiven(switches, command_line, "enable-logging", "stderr");
            appendUnlessGiven(switches, command_line, "log-level",
                              std::to_string(settings.log_severity - LOGSEVERITY_INFO));
            break;
    }
    return switches;
}

std::string chromiumFlagsText(const std::vector<std::string> &switches) {
    std::string text;
    for (const std::string &entry : switches) {
        if (entry.empty() || entry.find('"') != std::string::npos) {
            continue;
        }
        if (!text.empty()) {
            text += ' ';
        }
        if (entry.find(' ') != std::string::npos) {
            text += '"' + entry + '"';
        } else {
            text += entry;
        }
    }
    return text;
}
