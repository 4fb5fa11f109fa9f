#include "include/cef_parser.h"

#include <cstring>
#include <string>

#include "text/base64.h"

namespace {

// ASCII only: the C library's classification would follow the process's locale.
bool isUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("-_.!~*'()", c) != nullptr);
}

}  // namespace

CefString CefBase64Encode(const void *data, size_t data_size) {
    if (!data) {
        return CefString();
    }
    return text::base64Encode(data, data_size);
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
