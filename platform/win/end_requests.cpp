#include "platform/platform.h"

namespace platform {

// A Windows session's end and a request to close reach the window as messages, which the toolkit
// turns into a close of the window: nothing to watch here.
int watchEndRequests() {
    return -1;
}

}  // namespace platform
