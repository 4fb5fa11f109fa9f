#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"
#include "platform/win/win32_calls.h"

namespace platform {

// Fixed tails behind the profile folder rather than the system's local application-data folder,
// so the data folder is the same wherever that folder has been redirected.
const char kDataFolderTail[] = "\\AppData\\Local\\VantoroClient";
const char kCacheFolderTail[] = "\\AppData\\Local\\VantoroClient\\cache";

namespace {

// The profile folder in the classic path buffer, which the tail must share: a profile path too
// long to leave room for the tail gives no path at all, so callers skip the folder work instead
// of acting on a cut-off path.
std::string profileFolderWithTail(const char *tail) {
    wchar_t path[MAX_PATH] = {};
    if (!win::win32Calls().getSpecialFolderPath(nullptr, path, CSIDL_PROFILE, FALSE)) {
        return std::string();
    }
    size_t length = wcsnlen(path, MAX_PATH);
    const size_t tailLength = std::strlen(tail);
    if (length == 0 || length + tailLength >= MAX_PATH) {
        return std::string();
    }
    for (size_t i = 0; i < tailLength; ++i) {
        path[length++] = static_cast<wchar_t>(tail[i]);
    }
    return win::utf8FromWide(path, length);
}

}  // namespace

std::string profileFolder() {
    return profileFolderWithTail("");
}

std::string dataFolderPath() {
    return profileFolderWithTail(kDataFolderTail);
}

std::string cachePath() {
    return profileFolderWithTail(kCacheFolderTail);
}

}  // namespace platform
