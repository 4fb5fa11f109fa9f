#include <windows.h>

#include "platform/platform.h"

namespace platform {

void primaryScreenSize(int &width, int &height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace platform
