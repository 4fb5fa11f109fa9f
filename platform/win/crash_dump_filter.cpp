#include "platform/win/crash_dump_filter.h"

#include <dbghelp.h>

#include "platform/platform.h"
#include "platform/win/win32_calls.h"

namespace platform {

namespace {

using MiniDumpWriteDumpFunction = BOOL(WINAPI *)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                 PMINIDUMP_EXCEPTION_INFORMATION,
                                                 PMINIDUMP_USER_STREAM_INFORMATION,
                                                 PMINIDUMP_CALLBACK_INFORMATION);

}  // namespace

LONG WINAPI crashDumpFilter(EXCEPTION_POINTERS *exceptionInfo) {
    if (win::win32Calls().isDebuggerPresent()) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // Loaded only now: a process that never crashes never maps the debug-help library.
    HMODULE dbgHelp = win::win32Calls().loadDbgHelp(L"DbgHelp.dll");
    if (!dbgHelp) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto writeDump = reinterpret_cast<MiniDumpWriteDumpFunction>(
        reinterpret_cast<void *>(GetProcAddress(dbgHelp, "MiniDumpWriteDump")));
    if (!writeDump) {
        FreeLibrary(dbgHelp);
        return EXCEPTION_CONTINUE_SEARCH;
    }

    wchar_t fileName[MAX_PATH] = {};
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfW(fileName, L"%s-%04d%02d%02d-%02d%02d%02d.dmp", L"DumpDemo_v1.0", now.wYear,
              now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    HANDLE file =
        CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Nothing recorded the crash: leave it to whatever else the system has for it.
        FreeLibrary(dbgHelp);
        return EXCEPTION_CONTINUE_SEARCH;
    }

    MINIDUMP_EXCEPTION_INFORMATION exception;
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = exceptionInfo;
    exception.ClientPointers = FALSE;
    writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpWithDataSegs,
              exceptionInfo ? &exception : nullptr, nullptr, nullptr);
    CloseHandle(file);
    FreeLibrary(dbgHelp);
    return EXCEPTION_EXECUTE_HANDLER;
}

void installCrashHandler() {
    SetUnhandledExceptionFilter(crashDumpFilter);
}

}  // namespace platform
