#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/win/win32_calls.h"

namespace platform {

std::string osVersionText() {
    // GetVersionEx answers with whatever the executable's manifest declares it supports; ntdll's
    // undocumented export reports the version that is really running.
    using NtVersionNumbers = void(WINAPI *)(DWORD *, DWORD *, DWORD *);
    HMODULE ntdll = LoadLibraryW(L"ntdll.dll");
    if (!ntdll) {
        return std::string();
    }
    const auto versionNumbers = reinterpret_cast<NtVersionNumbers>(reinterpret_cast<void *>(
        win::win32Calls().findNtVersionNumbers(ntdll, "RtlGetNtVersionNumbers")));
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    if (versionNumbers) {
        versionNumbers(&major, &minor, &build);
    }
    FreeLibrary(ntdll);
    if (!versionNumbers) {
        return std::string();
    }
    // The high bits of the build carry flags (0xF0000000 on release builds), not the number.
    char text[48];
    std::snprintf(text, sizeof text, "windows%lu.%lu.%lu", static_cast<unsigned long>(major),
                  static_cast<unsigned long>(minor), static_cast<unsigned long>(build & 0xFFFF));
    return text;
}

}  // namespace platform
