#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

MoveResult moveWithoutReplacing(const std::string &from, const std::string &to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return MoveResult::kMoved;
    }
    if (errno == EEXIST) {
        return MoveResult::kExists;
    }
    // File systems without the flag (some network and FUSE ones): a hard link is made only where
    // no name is, and the old name goes once the new one holds the file.
    if (errno != EINVAL && errno != ENOSYS) {
        return MoveResult::kFailed;
    }
    if (link(from.c_str(), to.c_str()) != 0) {
        return errno == EEXIST ? MoveResult::kExists : MoveResult::kFailed;
    }
    unlink(from.c_str());
    return MoveResult::kMoved;
}

}  // namespace platform
