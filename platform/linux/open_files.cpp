#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

bool holdsFilesBelow(const std::string &folder) {
    // The descriptors' links name resolved paths, so the folder is compared resolved as well.
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) {
        return false;
    }
    const std::string prefix = std::string(resolved) + "/";
    DIR *descriptors = opendir("/proc/self/fd");
    if (!descriptors) {
        return false;
    }
    bool found = false;
    while (const dirent *entry = readdir(descriptors)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        char target[PATH_MAX];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0 &&
            std::string(target, static_cast<size_t>(length)).compare(0, prefix.size(), prefix) ==
                0) {
            found = true;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

}  // namespace platform
