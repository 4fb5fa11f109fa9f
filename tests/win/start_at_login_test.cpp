#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace {

// The command the Run key holds for the client, or empty.
std::wstring runCommand() {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                     L"VantoroClient", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

}  // namespace

TEST(StartAtLogin, IsAQuotedRunKeyValueThatComesAndGoes) {
    ASSERT_TRUE(platform::setStartAtLogin(false));
    EXPECT_FALSE(platform::startsAtLogin());

    ASSERT_TRUE(platform::setStartAtLogin(true));
    EXPECT_TRUE(platform::startsAtLogin());
    wchar_t program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    EXPECT_EQ(runCommand(), L"\"" + std::wstring(program) + L"\"");

    ASSERT_TRUE(platform::setStartAtLogin(false));
    EXPECT_FALSE(platform::startsAtLogin());
    EXPECT_EQ(runCommand(), L"");
    EXPECT_TRUE(platform::setStartAtLogin(false));
}
