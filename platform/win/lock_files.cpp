#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

bool removeUnheldLockFile(const std::string &path) {
    // The owner keeps its lock file open without sharing deletion, so only an unheld one goes.
    const std::wstring wide = win::wideFromUtf8(path);
    return !wide.empty() && DeleteFileW(wide.c_str()) != 0;
}

}  // namespace platform
