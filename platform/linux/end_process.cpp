#include <signal.h>
#include <sys/types.h>

#include "platform/platform.h"

namespace platform {

bool endProcess(std::int64_t pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace platform
