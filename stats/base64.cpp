#include "stats/base64.h"

std::string base64Encode(const std::string &bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned group = static_cast<unsigned char>(bytes[i]) << 16 |
                               static_cast<unsigned char>(bytes[i + 1]) << 8 |
                               static_cast<unsigned char>(bytes[i + 2]);
        encoded += kAlphabet[group >> 18 & 0x3F];
        encoded += kAlphabet[group >> 12 & 0x3F];
        encoded += kAlphabet[group >> 6 & 0x3F];
        encoded += kAlphabet[group & 0x3F];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        encoded += kAlphabet[group >> 18 & 0x3F];
        encoded += kAlphabet[group >> 12 & 0x3F];
        encoded += rest == 2 ? kAlphabet[group >> 6 & 0x3F] : '=';
        encoded += '=';
    }
    return encoded;
}
