#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<bool> gRequested{false};
int gWriteEnd = -1;

void handleEndRequest(int signal) {
    if (gRequested.exchange(true)) {
        // Asked again while ending: the user no longer waits for a clean end.
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
        syscall(SYS_tgkill, getpid(), syscall(SYS_gettid), signal);
        return;
    }
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    while (write(gWriteEnd, &byte, 1) < 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

}  // namespace

int watchEndRequests() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    gWriteEnd = ends[1];
    struct sigaction action = {};
    action.sa_handler = handleEndRequest;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kEndSignals) {
        sigaction(signal, &action, nullptr);
    }
    return ends[0];
}

}  // namespace platform
