#include "crash_child.h"

#include "platform/platform.h"

const char kCrashChildSwitch[] = "--crash-child";

int runCrashChild() {
    platform::installCrashHandler();
    // Both volatile: the compiler may drop a plain store through a null pointer.
    volatile int *volatile target = nullptr;
    *target = 1;
    return 0;
}
