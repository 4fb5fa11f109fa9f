#include "include/cef_parser.h"

#include <cstring>
#include <string>

namespace {

// ASCII only: the C library's classification would follow the process's locale.
bool isUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("-_.!~*'()", c) != nullptr);
}

}  // namespace

CefString CefBase64Encode(const void *data, size_t data_size) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!data) {
        return CefString();
    }
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::string out;
    out.reserve((data_size + 2) / 3 * 4);
    for (size_t i = 0; i < data_size; i += 3) {
        const size_t remaining = data_size - i;
        const unsigned long group = (static_cast<unsigned long>(bytes[i]) << 16) |
                                    (remaining > 1 ? bytes[i + 1] << 8 : 0) |
                                    (remaining > 2 ? bytes[i + 2] : 0);
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back(remaining > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
        out.push_back(remaining > 2 ? kAlphabet[group & 0x3F] : '=');
    }
    return out;
}

CefString CefURIEncode(const CefString &text, bool use_plus) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = text.ToString();
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(c)) {
            out.push_back(c);
        } else if (c == ' ' && use_plus) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
    }
    return out;
}
