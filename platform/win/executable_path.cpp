#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

std::string executablePath() {
    // A path that fills the buffer may have been cut off: try again with a larger one.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) {
            return std::string();
        }
        if (length < size) {
            return win::utf8FromWide(buffer.data(), length);
        }
        if (size >= 32768) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
