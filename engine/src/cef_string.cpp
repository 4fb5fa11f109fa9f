#include "include/internal/cef_string.h"

#include <cstdlib>
#include <cstring>

#include "text/utf8.h"

namespace {

void freeUtf16(char16 *str) {
    std::free(str);
}

// Text from outside can never produce invalid UTF-16: what is not UTF-8 becomes U+FFFD.
std::u16string utf8ToUtf16(const char *src, size_t length) {
    std::u16string out;
    out.reserve(length);
    for (size_t pos = 0; pos < length;) {
        char32_t code = text::nextCodePoint(src, length, pos);
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16>(code));
        }
    }
    return out;
}

void appendUtf8(std::string &out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string utf16ToUtf8(const std::u16string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16 unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, text::kReplacementCharacter);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace

int cef_string_utf16_set(const char16 *src, size_t src_len, cef_string_utf16_t *output, int copy) {
    if (!output) {
        return 0;
    }
    if (!src && src_len != 0) {
        cef_string_utf16_clear(output);
        return 0;
    }
    if (!copy) {
        cef_string_utf16_clear(output);
        output->str = const_cast<char16 *>(src);
        output->length = src_len;
        return 1;
    }
    // Copied before the old buffer is freed: src may point into it.
    auto *buffer = static_cast<char16 *>(std::malloc((src_len + 1) * sizeof(char16)));
    if (!buffer) {
        return 0;
    }
    if (src_len != 0) {
        std::memcpy(buffer, src, src_len * sizeof(char16));
    }
    buffer[src_len] = 0;
    cef_string_utf16_clear(output);
    output->str = buffer;
    output->length = src_len;
    output->dtor = freeUtf16;
    return 1;
}

int cef_string_ascii_to_utf16(const char *src, size_t src_len, cef_string_utf16_t *output) {
    if (!output || (!src && src_len != 0)) {
        return 0;
    }
    std::u16string wide;
    wide.reserve(src_len);
    for (size_t i = 0; i < src_len; ++i) {
        const auto byte = static_cast<unsigned char>(src[i]);
        if (byte >= 0x80) {
            return 0;
        }
        wide.push_back(byte);
    }
    return cef_string_utf16_set(wide.c_str(), wide.size(), output, 1);
}

void cef_string_utf16_clear(cef_string_utf16_t *output) {
    if (!output) {
        return;
    }
    if (output->dtor && output->str) {
        output->dtor(output->str);
    }
    output->str = nullptr;
    output->length = 0;
    output->dtor = nullptr;
}

CefString::CefString(const char *utf8) {
    if (utf8) {
        value_ = utf8ToUtf16(utf8, std::strlen(utf8));
    }
}

CefString::CefString(const std::string &utf8) : value_(utf8ToUtf16(utf8.data(), utf8.size())) {}

CefString::CefString(const char16 *utf16) {
    if (utf16) {
        value_ = utf16;
    }
}

CefString::CefString(const std::u16string &utf16) : value_(utf16) {}

CefString::CefString(const cef_string_t *str) {
    if (str && str->str) {
        value_.assign(str->str, str->length);
    }
}

std::string CefString::ToString() const {
    return utf16ToUtf8(value_);
}

bool CefString::FromASCII(const char *ascii) {
    if (!ascii) {
        return false;
    }
    std::u16string wide;
    for (const char *p = ascii; *p; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            return false;
        }
        wide.push_back(static_cast<char16>(*p));
    }
    value_ = std::move(wide);
    return true;
}

void CefString::FromString(const std::string &utf8) {
    value_ = utf8ToUtf16(utf8.data(), utf8.size());
}
