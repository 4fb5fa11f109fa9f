#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

MoveResult moveWithoutReplacing(const std::string &from, const std::string &to) {
    const std::wstring wideFrom = win::wideFromUtf8(from);
    const std::wstring wideTo = win::wideFromUtf8(to);
    if (wideFrom.empty() || wideTo.empty()) {
        return MoveResult::kFailed;
    }
    // Without MOVEFILE_REPLACE_EXISTING the system refuses any name that is taken, and without
    // MOVEFILE_COPY_ALLOWED it never copies.
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0)) {
        return MoveResult::kMoved;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? MoveResult::kExists
                                                                       : MoveResult::kFailed;
}

}  // namespace platform
