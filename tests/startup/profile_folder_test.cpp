#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

// Restores HOME when a test has changed it.
class HomeGuard {
public:
    HomeGuard() {
        const char *home = std::getenv("HOME");
        had_home_ = home != nullptr;
        if (had_home_)
            saved_ = home;
    }
    ~HomeGuard() {
        if (had_home_) {
            setenv("HOME", saved_.c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }

private:
    bool had_home_ = false;
    std::string saved_;
};

std::string passwordDatabaseHome() {
    const struct passwd *entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

TEST(ProfileFolderTest, DataAndCacheFoldersAreTheHomeFolderWithFixedTails) {
    HomeGuard guard;
    setenv("HOME", "/tmp/vt-profile-test/home", 1);
    setenv("XDG_DATA_HOME", "/tmp/elsewhere", 1);
    EXPECT_EQ(platform::profileFolder(), "/tmp/vt-profile-test/home");
    EXPECT_EQ(platform::dataFolderPath(), "/tmp/vt-profile-test/home/.local/share/VantoroClient");
    EXPECT_EQ(platform::cachePath(), "/tmp/vt-profile-test/home/.local/share/VantoroClient/cache");
    unsetenv("XDG_DATA_HOME");
}

TEST(ProfileFolderTest, TrailingSeparatorsOfHomeAreDropped) {
    HomeGuard guard;
    setenv("HOME", "/tmp/vt-home//", 1);
    EXPECT_EQ(platform::dataFolderPath(), "/tmp/vt-home/.local/share/VantoroClient");
    setenv("HOME", "/", 1);
    EXPECT_EQ(platform::dataFolderPath(), "/.local/share/VantoroClient");
}

TEST(ProfileFolderTest, UnsetEmptyOrRelativeHomeFallsBackToThePasswordDatabase) {
    HomeGuard guard;
    const std::string expected = passwordDatabaseHome();
    ASSERT_FALSE(expected.empty());
    unsetenv("HOME");
    EXPECT_EQ(platform::profileFolder(), expected);
    setenv("HOME", "", 1);
    EXPECT_EQ(platform::profileFolder(), expected);
    setenv("HOME", "relative/home", 1);
    EXPECT_EQ(platform::profileFolder(), expected);
}

TEST(ProfileFolderTest, NoProfileFolderGivesNoDataOrCacheFolder) {
    if (getuid() != 0) {
        GTEST_SKIP() << "needs root to become a user without a password entry";
    }
    // A user id with no entry in the password database and no HOME: nothing to build a path on.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        unsetenv("HOME");
        if (setgid(54321) != 0 || setuid(54321) != 0)
            _exit(2);
        const bool empty = platform::profileFolder().empty() &&
                           platform::dataFolderPath().empty() && platform::cachePath().empty();
        _exit(empty ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ProfileFolderTest, PathsTooLongForTheSystemAreNotBuilt) {
    HomeGuard guard;
    setenv("HOME", ("/" + std::string(5000, 'a')).c_str(), 1);
    EXPECT_TRUE(platform::dataFolderPath().empty());
    EXPECT_TRUE(platform::cachePath().empty());
}

}  // namespace
