#include <windows.h>

#include <shellapi.h>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

// ShellExecute takes no environment of the caller's choosing: the handler gets this process's
// current one, so there is nothing to keep.
void keepStartEnvironment() {}

bool openExternally(const std::string &url) {
    const std::wstring wide = win::wideFromUtf8(url);
    if (wide.empty()) {
        return false;
    }
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
