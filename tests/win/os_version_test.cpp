#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "scoped_win32_calls.h"

namespace {

void WINAPI windows10WithFlaggedBuild(DWORD *major, DWORD *minor, DWORD *build) {
    *major = 10;
    *minor = 0;
    *build = 0xF0004A65;
}

FARPROC WINAPI fakeVersionNumbers(HMODULE, LPCSTR name) {
    return std::string(name) == "RtlGetNtVersionNumbers"
               ? reinterpret_cast<FARPROC>(reinterpret_cast<void *>(windows10WithFlaggedBuild))
               : nullptr;
}

FARPROC WINAPI missingVersionNumbers(HMODULE, LPCSTR) {
    return nullptr;
}

}  // namespace

TEST(OsVersion, NamesTheRunningWindowsWithItsBuildNumber) {
    // RtlGetVersion is a second, documented source of the same three numbers.
    using RtlGetVersionFunction = LONG(WINAPI *)(OSVERSIONINFOW *);
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(rtlGetVersion, nullptr);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_EQ(rtlGetVersion(&version), 0);
    EXPECT_EQ(platform::osVersionText(), "windows" + std::to_string(version.dwMajorVersion) + "." +
                                             std::to_string(version.dwMinorVersion) + "." +
                                             std::to_string(version.dwBuildNumber));
}

TEST(OsVersion, FlagBitsOfTheBuildAreDropped) {
    ScopedWin32Calls calls;
    calls->findNtVersionNumbers = fakeVersionNumbers;
    EXPECT_EQ(platform::osVersionText(), "windows10.0.19045");
}

TEST(OsVersion, MissingNtdllExportGivesNoText) {
    ScopedWin32Calls calls;
    calls->findNtVersionNumbers = missingVersionNumbers;
    EXPECT_EQ(platform::osVersionText(), "");
}
