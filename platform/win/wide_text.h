#ifndef PLATFORM_WIN_WIDE_TEXT_H_
#define PLATFORM_WIN_WIDE_TEXT_H_

#include <string>

namespace platform {
namespace win {

// UTF-16 text as UTF-8; empty when it is not valid UTF-16.
std::string utf8FromWide(const wchar_t *text, size_t length);

// UTF-8 text as UTF-16; empty when it is not valid UTF-8.
std::wstring wideFromUtf8(const std::string &text);

}  // namespace win
}  // namespace platform

#endif  // PLATFORM_WIN_WIDE_TEXT_H_
