#include <gtest/gtest.h>
#include <windows.h>

#include <string>

TEST(Resources, IconGroup101HoldsOne48PixelImageAt32Bits) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14));
    ASSERT_NE(found, nullptr);
    // The group's directory: three 16-bit words, then 14 bytes per image.
    const auto *group = static_cast<const BYTE *>(LockResource(LoadResource(self, found)));
    ASSERT_GE(SizeofResource(self, found), 20u);
    const auto word = [group](int at) { return group[at] | group[at + 1] << 8; };
    EXPECT_EQ(word(2), 1) << "an icon";
    ASSERT_EQ(word(4), 1) << "one image";
    EXPECT_EQ(group[6], 48);
    EXPECT_EQ(group[7], 48);
    EXPECT_EQ(word(6 + 6), 32) << "bits per pixel";

    HICON icon = static_cast<HICON>(
        LoadImageW(self, MAKEINTRESOURCEW(101), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR));
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
}

TEST(Resources, ManifestAsksForTheInvokersLevelWithoutUiAccess) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const char *data = static_cast<const char *>(LockResource(LoadResource(self, found)));
    const std::string manifest(data, SizeofResource(self, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
}
