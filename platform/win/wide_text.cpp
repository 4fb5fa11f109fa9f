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

std::wstring wideFromUtf8(const std::string &text) {
    if (text.empty() || text.size() > INT_MAX) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size <= 0) {
        return std::wstring();
    }
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, &result[0], size);
    return result;
}

}  // namespace win
}  // namespace platform
