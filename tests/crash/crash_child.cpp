// Installs the crash handler and then crashes in the way its first argument names, after waiting
// the number of seconds its second argument gives.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/platform.h"

namespace {

__attribute__((noinline)) void writeThroughNull() {
    // Both volatile, or the compiler drops the write.
    volatile int *volatile p = nullptr;
    *p = 1;
}

__attribute__((noinline)) void secondLevel() {
    writeThroughNull();
    asm volatile("");
}

__attribute__((noinline)) void firstLevel() {
    secondLevel();
    asm volatile("");
}

__attribute__((noinline)) void crashInWorkerThread() {
    writeThroughNull();
}

#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int recurseWithoutEnd(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return recurseWithoutEnd(depth + 1) + frame[0];
}

__attribute__((noinline)) void abortOnPurpose() {
    std::abort();
}

}  // namespace

int main(int argc, char **argv) {
    platform::installCrashHandler();
    const char *mode = argc > 1 ? argv[1] : "";
    if (argc > 2) {
        sleep(static_cast<unsigned>(std::atoi(argv[2])));
    }
    if (std::strcmp(mode, "null") == 0) {
        firstLevel();
    } else if (std::strcmp(mode, "thread") == 0) {
        std::thread worker(crashInWorkerThread);
        worker.join();
    } else if (std::strcmp(mode, "abort") == 0) {
        abortOnPurpose();
    } else if (std::strcmp(mode, "overflow") == 0) {
        return recurseWithoutEnd(0);
    }
    return 2;
}
