#include "text/base64.h"

namespace text {

std::string base64Encode(const void *data, std::size_t size) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::size_t remaining = size - i;
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

}  // namespace text
