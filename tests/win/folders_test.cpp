#include <gtest/gtest.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "scoped_win32_calls.h"

namespace {

// The profile path the fake folder lookup reports.
std::wstring fakeProfile;

BOOL WINAPI fakeGetSpecialFolderPath(HWND, LPWSTR path, int folder, BOOL create) {
    if (folder != CSIDL_PROFILE || create || fakeProfile.size() >= MAX_PATH) {
        return FALSE;
    }
    wcscpy(path, fakeProfile.c_str());
    return TRUE;
}

BOOL WINAPI failingGetSpecialFolderPath(HWND, LPWSTR, int, BOOL) {
    return FALSE;
}

// A profile path of exactly `length` characters below C:\.
std::wstring profileOfLength(size_t length) {
    std::wstring path = L"C:\\";
    path.append(length - path.size(), L'p');
    return path;
}

}  // namespace

TEST(Folders, ProfileFolderIsWinesUserFolder) {
    const std::string profile = platform::profileFolder();
    ASSERT_FALSE(profile.empty());
    EXPECT_EQ(profile.rfind("C:\\users\\", 0), 0u) << profile;
    EXPECT_NE(profile.back(), '\\');
    // Only asked for, never made: the data folder is the engine's to create.
    EXPECT_EQ(GetFileAttributesA((profile + platform::kDataFolderTail).c_str()),
              INVALID_FILE_ATTRIBUTES);
}

TEST(Folders, DataAndCacheFoldersHangBelowTheProfileFolder) {
    const std::string profile = platform::profileFolder();
    EXPECT_EQ(platform::dataFolderPath(), profile + "\\AppData\\Local\\VantoroClient");
    EXPECT_EQ(platform::cachePath(), profile + "\\AppData\\Local\\VantoroClient\\cache");
}

TEST(Folders, NonAsciiProfileComesBackAsUtf8) {
    ScopedWin32Calls calls;
    calls->getSpecialFolderPath = fakeGetSpecialFolderPath;
    fakeProfile = L"C:\\users\\\x5f20\x4e09";
    EXPECT_EQ(platform::profileFolder(), "C:\\users\\\xe5\xbc\xa0\xe4\xb8\x89");
    EXPECT_EQ(platform::dataFolderPath(),
              "C:\\users\\\xe5\xbc\xa0\xe4\xb8\x89\\AppData\\Local\\VantoroClient");
}

TEST(Folders, ProfileTooLongForTheTailGivesNoPath) {
    ScopedWin32Calls calls;
    calls->getSpecialFolderPath = fakeGetSpecialFolderPath;
    // 28 characters of data-folder tail and 34 of cache tail share 260 with the terminator.
    fakeProfile = profileOfLength(231);
    EXPECT_EQ(platform::dataFolderPath().size(), 259u);
    fakeProfile = profileOfLength(232);
    EXPECT_EQ(platform::dataFolderPath(), "");
    EXPECT_EQ(platform::profileFolder().size(), 232u);

    fakeProfile = profileOfLength(225);
    EXPECT_EQ(platform::cachePath().size(), 259u);
    fakeProfile = profileOfLength(226);
    EXPECT_EQ(platform::cachePath(), "");
    EXPECT_FALSE(platform::dataFolderPath().empty());
}

TEST(Folders, UnknownProfileGivesNoPaths) {
    ScopedWin32Calls calls;
    calls->getSpecialFolderPath = failingGetSpecialFolderPath;
    EXPECT_EQ(platform::profileFolder(), "");
    EXPECT_EQ(platform::dataFolderPath(), "");
    EXPECT_EQ(platform::cachePath(), "");
}

TEST(Folders, ExecutablePathNamesThisTestProgram) {
    const std::string path = platform::executablePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
