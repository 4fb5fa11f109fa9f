#include "src/cef_command_line_impl.h"

namespace {

const char kSwitchTerminator[] = "--";

size_t switchPrefixLength(const std::string &arg) {
    if (arg.compare(0, 2, "--") == 0) {
        return 2;
    }
    return arg.compare(0, 1, "-") == 0 ? 1 : 0;
}

// "--name", "--name=value" and "-name" are switches; "-", "--" and "--=value" are not.
bool parseSwitch(const std::string &arg, std::string &name, std::string &value) {
    const size_t prefix = switchPrefixLength(arg);
    if (prefix == 0 || arg.size() == prefix) {
        return false;
    }
    const size_t equals = arg.find('=', prefix);
    name = arg.substr(prefix, equals == std::string::npos ? std::string::npos : equals - prefix);
    value = equals == std::string::npos ? std::string() : arg.substr(equals + 1);
    return !name.empty();
}

// Callers may pass a name with its dashes, as Chromium accepts.
std::string switchName(const CefString &name) {
    const std::string text = name.ToString();
    return text.substr(switchPrefixLength(text));
}

}  // namespace

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
    return new CefCommandLineImpl;
}

std::string CefCommandLineImpl::SwitchString(const Switch &entry) {
    return entry.value.empty() ? "--" + entry.name : "--" + entry.name + "=" + entry.value;
}

std::vector<std::string> CefCommandLineImpl::SwitchStrings() const {
    std::vector<std::string> strings;
    for (const Switch &entry : switches_) {
        strings.push_back(SwitchString(entry));
    }
    return strings;
}

void CefCommandLineImpl::InitFromArgv(int argc, const char *const *argv) {
    program_.clear();
    switches_.clear();
    arguments_.clear();
    if (argc <= 0 || !argv || !argv[0]) {
        return;
    }
    program_ = argv[0];
    bool parse_switches = true;
    for (int i = 1; i < argc && argv[i]; ++i) {
        const std::string arg = argv[i];
        // As in Chromium the terminator itself stays, as the first argument.
        parse_switches = parse_switches && arg != kSwitchTerminator;
        Switch entry;
        if (parse_switches && parseSwitch(arg, entry.name, entry.value)) {
            switches_.push_back(std::move(entry));
        } else {
            arguments_.push_back(arg);
        }
    }
}

void CefCommandLineImpl::GetArgv(std::vector<CefString> &argv) {
    argv.clear();
    argv.push_back(program_);
    for (const Switch &entry : switches_) {
        argv.push_back(SwitchString(entry));
    }
    // An argument that looks like a switch can only come from behind a terminator, which stays
    // in the list ahead of it: parsed again, it stays an argument.
    argv.insert(argv.end(), arguments_.begin(), arguments_.end());
}

CefString CefCommandLineImpl::GetCommandLineString() {
    std::vector<CefString> argv;
    GetArgv(argv);
    std::string text;
    for (const CefString &arg : argv) {
        if (!text.empty()) {
            text += ' ';
        }
        text += arg.ToString();
    }
    return text;
}

void CefCommandLineImpl::SetProgram(const CefString &program) {
    program_ = program.ToString();
}

bool CefCommandLineImpl::HasSwitch(const CefString &name) {
    const std::string key = switchName(name);
    for (const Switch &entry : switches_) {
        if (entry.name == key) {
            return true;
        }
    }
    return false;
}

CefString CefCommandLineImpl::GetSwitchValue(const CefString &name) {
    const std::string key = switchName(name);
    for (auto it = switches_.rbegin(); it != switches_.rend(); ++it) {
        if (it->name == key) {
            return it->value;
        }
    }
    return CefString();
}

void CefCommandLineImpl::GetSwitches(SwitchMap &switches) {
    switches.clear();
    for (const Switch &entry : switches_) {
        switches[entry.name] = entry.value;
    }
}

void CefCommandLineImpl::AppendSwitch(const CefString &name) {
    AppendSwitchWithValue(name, CefString());
}

void CefCommandLineImpl::AppendSwitchWithValue(const CefString &name, const CefString &value) {
    const std::string key = switchName(name);
    if (key.empty()) {
        return;
    }
    switches_.push_back({key, value.ToString()});
}
