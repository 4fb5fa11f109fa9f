#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/base64.h"
#include "text/utf8.h"

namespace {

std::vector<char32_t> decoded(const std::string &bytes) {
    std::vector<char32_t> out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        out.push_back(text::nextCodePoint(bytes.data(), bytes.size(), pos));
    }
    return out;
}

TEST(Utf8, DecodesEveryLengthUpToTheLastCharacter) {
    EXPECT_EQ(decoded("a\xC3\xA9\xE7\x9B\xB4\xF0\x9F\x93\xBA\xF4\x8F\xBF\xBF"),
              (std::vector<char32_t>{'a', 0xE9, 0x76F4, 0x1F4FA, 0x10FFFF}));
}

TEST(Utf8, WhatIsNoCharacterBecomesOneReplacementPerBrokenPiece) {
    const char32_t r = text::kReplacementCharacter;
    struct Case {
        std::string input;
        std::vector<char32_t> expected;
    };
    const Case cases[] = {
        {"a\x80z", {'a', r, 'z'}},           // stray continuation
        {"a\xE4\xB8z", {'a', r, 'z'}},       // cut short: one for the whole beginning
        {"a\xE4\xB8", {'a', r}},             // cut short at the end
        {"\xC0\xBC", {r, r}},                // overlong "<" cannot smuggle markup
        {"\xE0\x80\xAF", {r, r, r}},         // overlong "/"
        {"\xED\xA0\x80", {r, r, r}},         // encoded surrogate
        {"\xF4\x90\x80\x80", {r, r, r, r}},  // above U+10FFFF
        {"\xFF\xFEok", {r, r, 'o', 'k'}},    // never valid
        {"\xF0\x9F\x93<", {r, '<'}},         // the byte that broke it is kept
    };
    for (const Case &c : cases) {
        EXPECT_EQ(decoded(c.input), c.expected) << c.input;
    }
}

TEST(Base64, MatchesTheStandardVectors) {
    const auto encode = [](const std::string &data) {
        return text::base64Encode(data.data(), data.size());
    };
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(encode(std::string("\xFB\xFF\x00\x10", 4)), "+/8AEA==");
    EXPECT_EQ(encode("\xfb\xff\xbf"), "+/+/");
}

}  // namespace
