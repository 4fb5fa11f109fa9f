#include "browser/load_error_page.h"

#include <cstddef>
#include <cstdint>

#include "text/utf8.h"

namespace {

// Text from the network or the engine goes into the page as character data only: markup
// characters become entities, and everything outside ASCII becomes a numeric reference so that
// the page reads correctly whatever charset the engine assumes for it.
void appendEscaped(std::string &page, const std::string &text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = text::nextCodePoint(text.data(), text.size(), pos);
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
                               int errorCode, bool willRetry) {
    std::string page = "<html><body bgcolor=\"white\"><h2>Failed to load URL ";
    appendEscaped(page, failedUrl);
    page += " with error ";
    appendEscaped(page, errorText);
    page += " (";
    page += std::to_string(errorCode);
    page += ").</h2>";
    if (willRetry) {
        page += "<p>";
        appendEscaped(page, u8"稍后将自动重新加载 ");
        appendEscaped(page, failedUrl);
        page += "</p>";
    }
    page += "</body></html>";
    return page;
}
