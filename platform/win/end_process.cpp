#include <windows.h>

#include "platform/platform.h"

namespace platform {

bool endProcess(std::int64_t pid) {
    if (pid <= 0) {
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (!process) {
        return false;
    }
    const bool ended = TerminateProcess(process, 1) != 0;
    CloseHandle(process);
    return ended;
}

}  // namespace platform
