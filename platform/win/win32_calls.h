// The Win32 calls whose answers depend on the machine, reached through one table so that tests can
// put a machine of their choosing behind them (a failing adapter list, a missing ntdll export, a
// debugger, no DbgHelp, a very deep profile folder, the owners of TCP connections, which Wine
// does not list). Everything else calls Win32 directly.
#ifndef PLATFORM_WIN_WIN32_CALLS_H_
#define PLATFORM_WIN_WIN32_CALLS_H_

#include <iphlpapi.h>
#include <windows.h>

namespace platform {
namespace win {

struct Win32Calls {
    BOOL(WINAPI *getSpecialFolderPath)(HWND owner, LPWSTR path, int folder, BOOL create);
    ULONG(WINAPI *getAdaptersInfo)(PIP_ADAPTER_INFO adapters, PULONG size);
    // Looks up RtlGetNtVersionNumbers in the loaded ntdll.
    FARPROC(WINAPI *findNtVersionNumbers)(HMODULE ntdll, LPCSTR name);
    BOOL(WINAPI *isDebuggerPresent)();
    // Loads DbgHelp.dll when a crash is to be written down.
    HMODULE(WINAPI *loadDbgHelp)(LPCWSTR name);
    // The TCP connections with the processes that own them.
    DWORD(WINAPI *getExtendedTcpTable)
    (PVOID table, PDWORD size, BOOL order, ULONG family, TCP_TABLE_CLASS table_class,
     ULONG reserved);
};

// The process's table, holding the real calls until a test replaces an entry.
Win32Calls &win32Calls();

// The real calls, for tests to restore an entry they replaced.
Win32Calls realWin32Calls();

}  // namespace win
}  // namespace platform

#endif  // PLATFORM_WIN_WIN32_CALLS_H_
