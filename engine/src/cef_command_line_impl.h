// The engine's command line: the program, switches in the order they were given or appended, and
// plain arguments, parsed as Chromium parses a POSIX command line.
#ifndef ENGINE_SRC_CEF_COMMAND_LINE_IMPL_H_
#define ENGINE_SRC_CEF_COMMAND_LINE_IMPL_H_

#include <string>
#include <utility>
#include <vector>

#include "include/cef_command_line.h"

class CefCommandLineImpl : public CefCommandLine {
public:
    // Each switch as "--name" or "--name=value", in order: what Chromium is handed.
    std::vector<std::string> SwitchStrings() const;

    bool IsValid() override { return true; }
    void InitFromArgv(int argc, const char *const *argv) override;
    void GetArgv(std::vector<CefString> &argv) override;
    CefString GetCommandLineString() override;
    CefString GetProgram() override { return program_; }
    void SetProgram(const CefString &program) override;
    bool HasSwitches() override { return !switches_.empty(); }
    bool HasSwitch(const CefString &name) override;
    CefString GetSwitchValue(const CefString &name) override;
    void GetSwitches(SwitchMap &switches) override;
    void AppendSwitch(const CefString &name) override;
    void AppendSwitchWithValue(const CefString &name, const CefString &value) override;
    bool HasArguments() override { return !arguments_.empty(); }
    void GetArguments(ArgumentList &arguments) override { arguments = arguments_; }

private:
    struct Switch {
        std::string name;
        std::string value;
    };

    static std::string SwitchString(const Switch &entry);

    std::string program_;
    // Duplicates are kept, as Chromium keeps them in argv; the last value counts.
    std::vector<Switch> switches_;
    std::vector<CefString> arguments_;

    IMPLEMENT_REFCOUNTING(CefCommandLineImpl);
};

#endif  // ENGINE_SRC_CEF_COMMAND_LINE_IMPL_H_
