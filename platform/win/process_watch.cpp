#include "platform/platform.h"

namespace platform {

// Windows signals a process's end on its handle, which the toolkit's socket watch cannot wait on;
// without a watch, a page's dialog stays until the viewer dismisses it.
int watchProcessEnd(std::int64_t) {
    return -1;
}

void closeProcessWatch(int) {}

}  // namespace platform
