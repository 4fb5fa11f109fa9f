#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

bool removeUnheldLockFile(const std::string &path) {
    // The owner keeps an exclusive flock on its lock file (Qt 6.4 takes it right after creating
    // the file). The file goes only while we hold that lock ourselves and the name still leads to
    // the file we locked, so a fresh lock file made meanwhile by another start stays.
    const int file = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    bool removed = false;
    struct stat opened;
    struct stat named;
    if (flock(file, LOCK_EX | LOCK_NB) == 0 && fstat(file, &opened) == 0 &&
        lstat(path.c_str(), &named) == 0 && S_ISREG(opened.st_mode) &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
        removed = unlink(path.c_str()) == 0;
    }
    close(file);
    return removed;
}

}  // namespace platform
