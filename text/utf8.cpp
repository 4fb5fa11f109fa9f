#include "text/utf8.h"

namespace text {

char32_t nextCodePoint(const char *bytes, std::size_t length, std::size_t &pos) {
    const auto byte = [bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned char lead = byte(pos);
    ++pos;
    if (lead < 0x80) {
        return lead;
    }
    std::size_t extra;
    char32_t value;
    // The second byte's range rules out overlong forms, surrogates and values above U+10FFFF
    // before the sequence is complete.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacementCharacter;
    }
    for (std::size_t i = 0; i < extra; ++i, low = 0x80, high = 0xBF) {
        if (pos >= length || byte(pos) < low || byte(pos) > high) {
            return kReplacementCharacter;
        }
        value = (value << 6) | (byte(pos) & 0x3F);
        ++pos;
    }
    return value;
}

}  // namespace text
