#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

// Whether this system lets an ordinary process make a user namespace, as the engine's sandbox
// does for each of its sub-processes: tried in a child, so this process stays as it is.
bool userNamespacesAllowed() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
    }
    if (child < 0) {
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string sandboxUnavailableReason() {
    if (geteuid() == 0) {
        return "it runs as root, where the engine refuses to start its sandbox";
    }
    if (!userNamespacesAllowed()) {
        return "this system lets no user namespace be made (see kernel.unprivileged_userns_clone "
               "and user.max_user_namespaces), and the engine's setuid sandbox helper is not "
               "part of this client";
    }
    return std::string();
}

}  // namespace platform
