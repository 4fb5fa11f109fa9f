// Installs the crash handler and then crashes in the way its first argument names, after waiting
// the number of seconds its second argument gives.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/platform.h"

namespace {

// noipa: the frames must stay, also in optimised builds (no inlining, no merging of identical
// bodies); the empty asm after each call keeps it from becoming a jump.
__attribute__((noipa)) void writeThroughNull() {
    // Both volatile, or the compiler drops the write.
    volatile int *volatile p = nullptr;
    *p = 1;
}

__attribute__((noipa)) void secondLevel() {
    writeThroughNull();
    asm volatile("");
}

__attribute__((noipa)) void firstLevel() {
    secondLevel();
    asm volatile("");
}

__attribute__((noipa)) void crashInWorkerThread() {
    writeThroughNull();
    asm volatile("");
}

#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noipa)) int recurseWithoutEnd(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return recurseWithoutEnd(depth + 1) + frame[0];
}

__attribute__((noipa)) void abortOnPurpose() {
    std::abort();
}

// Stand-ins for the engine's handling of crash signals after the handler is installed: it resets
// them to their defaults, and V8 installs a fault handler of its own that either recovers from
// the fault (moving the thread to a landing pad) or restores the previous action and returns.
struct sigaction gPrevious;

[[noreturn]] void landingPad() {
    _exit(42);
}

void recoveringHandler(int, siginfo_t *, void *context) {
    static_cast<ucontext_t *>(context)->uc_mcontext.gregs[REG_RIP] =
        reinterpret_cast<greg_t>(&landingPad);
}

void declineFault(int, siginfo_t *, void *) {
    sigaction(SIGSEGV, &gPrevious, nullptr);
}

// A one-shot handler that does not recover: the fault that follows is a crash. Each call leaves a
// mark in the working folder for the test to count.
void notRecovering(int, siginfo_t *, void *) {
    const int marks = open(".one-shot-calls", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (marks >= 0) {
        const ssize_t written = write(marks, "x", 1);
        static_cast<void>(written);
        close(marks);
    }
    static int calls = 0;
    if (++calls > 1) {
        _exit(43);
    }
}

// A thread that no tracer can stop: it waits for a vfork child that never ends on its own.
void blockInVfork() {
    if (vfork() == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (;;) {
            pause();
        }
    }
}

void installFaultHandler(void (*handler)(int, siginfo_t *, void *), int flags = 0) {
    struct sigaction action = {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | flags;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &gPrevious);
}

}  // namespace

int main(int argc, char **argv) {
    platform::installCrashHandler();
    const char *mode = argc > 1 ? argv[1] : "";
    if (argc > 2) {
        sleep(static_cast<unsigned>(std::atoi(argv[2])));
    }
    if (std::strcmp(mode, "reset-null") == 0) {
        struct sigaction defaults = {};
        defaults.sa_handler = SIG_DFL;
        sigaction(SIGSEGV, &defaults, nullptr);
        signal(SIGSEGV, SIG_DFL);
        firstLevel();
    } else if (std::strcmp(mode, "recovered-null") == 0) {
        installFaultHandler(recoveringHandler);
        firstLevel();
    } else if (std::strcmp(mode, "declined-null") == 0) {
        installFaultHandler(declineFault);
        firstLevel();
    } else if (std::strcmp(mode, "one-shot-null") == 0) {
        installFaultHandler(notRecovering, SA_RESETHAND);
        firstLevel();
    } else if (std::strcmp(mode, "stuck-thread-null") == 0) {
        std::thread stuck(blockInVfork);
        stuck.detach();
        sleep(1);
        firstLevel();
    } else if (std::strcmp(mode, "null") == 0) {
        firstLevel();
    } else if (std::strcmp(mode, "thread") == 0) {
        std::thread worker(crashInWorkerThread);
        worker.join();
    } else if (std::strcmp(mode, "abort") == 0) {
        abortOnPurpose();
    } else if (std::strcmp(mode, "wait") == 0) {
        // Until a signal from outside ends it (the benchmark's crash).
        for (;;) {
            pause();
        }
    } else if (std::strcmp(mode, "overflow") == 0) {
        return recurseWithoutEnd(0);
    }
    return 2;
}
