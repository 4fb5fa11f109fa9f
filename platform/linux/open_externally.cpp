#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/platform.h"

extern char **environ;

namespace platform {

namespace {

std::vector<std::string> &startEnvironment() {
    static std::vector<std::string> kept;
    return kept;
}

bool gEnvironmentKept = false;

std::string startValue(const std::string &name) {
    for (const std::string &entry : startEnvironment()) {
        if (entry.compare(0, name.size() + 1, name + "=") == 0) {
            return entry.substr(name.size() + 1);
        }
    }
    return std::string();
}

}  // namespace

void keepStartEnvironment() {
    for (char **entry = environ; entry && *entry; ++entry) {
        startEnvironment().push_back(*entry);
    }
    gEnvironmentKept = true;
}

bool openExternally(const std::string &url) {
    if (!gEnvironmentKept) {
        return false;
    }
    // Everything the child needs is made before the fork: between fork and exec only calls that
    // are safe in a copy of a threaded process run.
    std::vector<std::string> candidates;
    std::string path = startValue("PATH");
    if (path.empty()) {
        path = "/usr/local/bin:/usr/bin:/bin";
    }
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string folder = end > start ? path.substr(start, end - start) : ".";
        candidates.push_back(folder + "/xdg-open");
        start = end + 1;
    }
    std::vector<char *> envp;
    for (std::string &entry : startEnvironment()) {
        envp.push_back(&entry[0]);
    }
    envp.push_back(nullptr);
    std::string argument = url;
    char name[] = "xdg-open";
    char *const argv[] = {name, &argument[0], nullptr};

    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        // The handler becomes nobody's child here: the client never waits for it, and leaves no
        // zombie behind.
        setsid();
        if (fork() != 0) {
            _exit(0);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        close_range(3, ~0U, 0);
        for (const std::string &candidate : candidates) {
            execve(candidate.c_str(), argv, envp.data());
        }
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
