#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace {

std::string temporaryFolder(const char *name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\cache").c_str(), nullptr);
    return folder;
}

}  // namespace

TEST(OpenFiles, AFileOpenBelowTheFolderIsSeenUntilItIsClosed) {
    const std::string folder = temporaryFolder("vt-open");
    const std::string sibling = folder + "-other";
    CreateDirectoryA(sibling.c_str(), nullptr);
    const std::string file = folder + "\\cache\\data_0";
    EXPECT_FALSE(platform::holdsFilesBelow(folder));

    HANDLE open = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(platform::holdsFilesBelow(folder));
    EXPECT_TRUE(platform::holdsFilesBelow(folder + "\\"));
    // A folder whose name merely begins the same way holds nothing.
    EXPECT_FALSE(platform::holdsFilesBelow(sibling));
    CloseHandle(open);
    EXPECT_FALSE(platform::holdsFilesBelow(folder));

    DeleteFileA(file.c_str());
    RemoveDirectoryA((folder + "\\cache").c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(sibling.c_str());
}
