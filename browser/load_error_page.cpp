#include "browser/load_error_page.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the UTF-8 sequence starting at text[pos] and advances pos past it. A malformed sequence
// yields U+FFFD and consumes one byte, so decoding always makes progress.
char32_t nextCodePoint(const std::string &text, std::size_t &pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementCharacter;
    }
    if (text.size() - pos < length) {
        ++pos;
        return kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto continuation = static_cast<unsigned char>(text[pos + i]);
        if ((continuation & 0xC0) != 0x80) {
            ++pos;
            return kReplacementCharacter;
        }
        value = (value << 6) | (continuation & 0x3F);
    }
    // Overlong forms and surrogates are how filters get bypassed; they never name a character.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return value;
}

// Text from the network or the engine goes into the page as character data only: markup
// characters become entities, and everything outside ASCII becomes a numeric reference so that
// the page reads correctly whatever charset the engine assumes for it.
void appendEscaped(std::string &page, const std::string &text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = nextCodePoint(text, pos);
        switch (c) {
            case '&':
                page += "&amp;";
                break;
            case '<':
                page += "&lt;";
                break;
            case '>':
                page += "&gt;";
                break;
            case '"':
                page += "&quot;";
                break;
            case '\'':
                page += "&#39;";
                break;
            default:
                if (c < 0x80) {
                    page += static_cast<char>(c);
                } else {
                    page += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
                }
        }
    }
}

}  // namespace

std::string buildLoadErrorPage(const std::string &failedUrl, const std::string &errorText,
                               int errorCode) {
    std::string page = "<html><body bgcolor=\"white\"><h2>Failed to load URL ";
    appendEscaped(page, failedUrl);
    page += " with error ";
    appendEscaped(page, errorText);
    page += " (";
    page += std::to_string(errorCode);
    page += ").</h2></body></html>";
    return page;
}
