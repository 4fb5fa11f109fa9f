#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// Fixed, like the Windows build's "\AppData\Local" tail: the client does not ask the system
// (XDG_DATA_HOME and the like) where application data belongs.
const char kDataFolderTail[] = "/.local/share/VantoroClient";
const char kCacheFolderTail[] = "/.local/share/VantoroClient/cache";

namespace {

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string homeFromPasswordDatabase() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry;
    struct passwd *result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result ||
        !result->pw_dir) {
        return std::string();
    }
    return result->pw_dir;
}

std::string absoluteOrEmpty(const std::string &path) {
    return !path.empty() && path.front() == '/' ? withoutTrailingSeparators(path) : std::string();
}

std::string profileFolderWithTail(const char *tail) {
    const std::string profile = profileFolder();
    if (profile.empty()) {
        return std::string();
    }
    std::string path = (profile == "/" ? std::string() : profile) + tail;
    return path.size() < PATH_MAX ? path : std::string();
}

}  // namespace

std::string profileFolder() {
    // As other programs on the system do: HOME when it is set, the password database otherwise.
    // A relative HOME counts as unset: it would put the data folder wherever the client happened
    // to be started.
    const std::string home = absoluteOrEmpty(std::getenv("HOME") ? std::getenv("HOME") : "");
    return home.empty() ? absoluteOrEmpty(homeFromPasswordDatabase()) : home;
}

std::string dataFolderPath() {
    return profileFolderWithTail(kDataFolderTail);
}

std::string cachePath() {
    return profileFolderWithTail(kCacheFolderTail);
}

}  // namespace platform
