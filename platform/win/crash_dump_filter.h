#ifndef PLATFORM_WIN_CRASH_DUMP_FILTER_H_
#define PLATFORM_WIN_CRASH_DUMP_FILTER_H_

#include <windows.h>

namespace platform {

// The process's top-level exception filter: writes a minidump named after the local time into
// the current directory and ends the process (EXCEPTION_EXECUTE_HANDLER). With a debugger
// attached, or when no dump can be written, it passes the exception on (EXCEPTION_CONTINUE_SEARCH).
LONG WINAPI crashDumpFilter(EXCEPTION_POINTERS *exceptionInfo);

}  // namespace platform

#endif  // PLATFORM_WIN_CRASH_DUMP_FILTER_H_
