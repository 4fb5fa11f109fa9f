// Windows has no session bus: the desktop services are called directly.
#include "platform/platform.h"

namespace platform {

bool relaySessionBus() {
    return false;
}

int runSessionBusBridge(int, char *[]) {
    return -1;
}

std::string sessionBusAddress() {
    return std::string();
}

}  // namespace platform
