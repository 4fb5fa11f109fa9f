#include <sys/syscall.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

int watchProcessEnd(std::int64_t pid) {
    // A process descriptor polls readable when the process ends, and names that process alone
    // even after its number is reused.
    if (pid <= 0) {
        return -1;
    }
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
}

void closeProcessWatch(int handle) {
    if (handle >= 0) {
        ::close(handle);
    }
}

}  // namespace platform
