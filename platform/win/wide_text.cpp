#include "platform/win/wide_text.h"

#include <windows.h>

#include <climits>

namespace platform {
namespace win {

std::string utf8FromWide(const wchar_t *text, size_t length) {
    if (length == 0 || length > INT_MAX) {
        return std::string();
    }
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, wideLength, nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, wideLength, &result[0], size, nullptr,
                        nullptr);
    return result;
}

}  // namespace win
}  // namespace platform
