#ifndef ENGINE_INCLUDE_CEF_COMMAND_LINE_H_
#define ENGINE_INCLUDE_CEF_COMMAND_LINE_H_

#include <map>
#include <vector>

#include "include/cef_base.h"

// A process command line: the program, switches ("--name" or "--name=value") in the order they
// were given or appended, and plain arguments.
class CefCommandLine : public virtual CefBaseRefCounted {
public:
    typedef std::vector<CefString> ArgumentList;
    typedef std::map<CefString, CefString> SwitchMap;

    static CefRefPtr<CefCommandLine> CreateCommandLine();

    virtual bool IsValid() = 0;
    virtual void InitFromArgv(int argc, const char *const *argv) = 0;
    // Program first, then switches in order, then arguments.
    virtual void GetArgv(std::vector<CefString> &argv) = 0;
    virtual CefString GetCommandLineString() = 0;
    virtual CefString GetProgram() = 0;
    virtual void SetProgram(const CefString &program) = 0;
    virtual bool HasSwitches() = 0;
    virtual bool HasSwitch(const CefString &name) = 0;
    virtual CefString GetSwitchValue(const CefString &name) = 0;
    virtual void GetSwitches(SwitchMap &switches) = 0;
    virtual void AppendSwitch(const CefString &name) = 0;
    virtual void AppendSwitchWithValue(const CefString &name, const CefString &value) = 0;
    virtual bool HasArguments() = 0;
    virtual void GetArguments(ArgumentList &arguments) = 0;
};

#endif  // ENGINE_INCLUDE_CEF_COMMAND_LINE_H_
