#include <string>

#include "platform/platform.h"

namespace platform {

// The engine's sandbox on Windows lives in a library linked into the executable, which this
// build does not carry: its sub-processes run as they always have, and write their own dumps.
std::string sandboxUnavailableReason() {
    return "this Windows build carries no sandbox library";
}

bool serveSandboxedCrashDumps() {
    return false;
}

void joinSandboxedCrashDumps() {}

}  // namespace platform
