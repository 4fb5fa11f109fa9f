#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types_wrappers.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

TEST(CefStringText, ChineseAndAstralTextRoundTrip) {
    const std::string text = "客户端 1.0.3 — 直播 \xF0\x9F\x93\xBA";
    const CefString value(text);
    EXPECT_EQ(value.ToString(), text);
    EXPECT_EQ(value.ToString16(), u"客户端 1.0.3 — 直播 \U0001F4FA");
    EXPECT_EQ(CefString(value.ToString16()).ToString(), text);
}

TEST(CefStringText, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(CefString("a\xE4\xB8z\xED\xA0").ToString(),
              std::string("a") + kReplacement + "z" + kReplacement + kReplacement);
}

TEST(CefStringText, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone_high = {u'a', char16_t(0xD83D), u'b'};
    const std::u16string lone_low = {char16_t(0xDC7A), u'c'};
    const std::u16string high_at_end = {u'd', char16_t(0xD83D)};
    EXPECT_EQ(CefString(lone_high).ToString(), std::string("a") + kReplacement + "b");
    EXPECT_EQ(CefString(lone_low).ToString(), std::string(kReplacement) + "c");
    EXPECT_EQ(CefString(high_at_end).ToString(), std::string("d") + kReplacement);
}

TEST(CefStringText, NullPointersGiveEmptyStrings) {
    EXPECT_TRUE(CefString(static_cast<const char *>(nullptr)).empty());
    EXPECT_TRUE(CefString(static_cast<const char16 *>(nullptr)).empty());
    EXPECT_TRUE(CefString(static_cast<const cef_string_t *>(nullptr)).empty());
    CefString value("kept");
    EXPECT_FALSE(value.FromASCII(nullptr));
    EXPECT_EQ(value.ToString(), "kept");
}

TEST(CefStringText, FromAsciiRefusesOtherBytes) {
    CefString value;
    EXPECT_TRUE(value.FromASCII("zh-CN"));
    EXPECT_EQ(value.ToString(), "zh-CN");
    EXPECT_FALSE(value.FromASCII("zh-\xC3\xA9"));
    EXPECT_EQ(value.ToString(), "zh-CN");
}

TEST(CefStringC, SetCopiesOrPointsAndClearFrees) {
    cef_string_t str = {};
    const std::u16string source = u"缓存/cache";
    ASSERT_EQ(cef_string_utf16_set(source.c_str(), source.size(), &str, 1), 1);
    EXPECT_NE(str.str, source.c_str());
    EXPECT_EQ(std::u16string(str.str, str.length), source);
    EXPECT_EQ(str.str[str.length], 0);
    EXPECT_NE(str.dtor, nullptr);

    // Setting from the string's own buffer must not read freed memory.
    ASSERT_EQ(cef_string_utf16_set(str.str + 3, 5, &str, 1), 1);
    EXPECT_EQ(CefString(&str).ToString(), "cache");

    ASSERT_EQ(cef_string_utf16_set(source.c_str(), 2, &str, 0), 1);
    EXPECT_EQ(str.str, source.c_str());
    EXPECT_EQ(str.dtor, nullptr);
    cef_string_utf16_clear(&str);
    EXPECT_EQ(str.str, nullptr);
    EXPECT_EQ(str.length, 0u);
}

TEST(CefStringC, RejectsInvalidArguments) {
    cef_string_t str = {};
    EXPECT_EQ(cef_string_utf16_set(nullptr, 3, &str, 1), 0);
    EXPECT_EQ(cef_string_utf16_set(u"x", 1, nullptr, 1), 0);
    ASSERT_EQ(cef_string_ascii_to_utf16("zh-CN", 5, &str), 1);
    EXPECT_EQ(CefString(&str).ToString(), "zh-CN");
    EXPECT_EQ(cef_string_ascii_to_utf16("\xE4\xB8\xAD", 3, &str), 0);
    EXPECT_EQ(CefString(&str).ToString(), "zh-CN");
    cef_string_utf16_clear(&str);
    cef_string_utf16_clear(nullptr);
}

std::vector<char16 *> freed;

void recordFree(char16 *str) {
    freed.push_back(str);
    std::free(str);
}

TEST(Settings, StartZeroedWithTheirSizeAndFreeTheirStrings) {
    std::vector<char16 *> owned;
    {
        CefSettings settings;
        EXPECT_EQ(settings.size, sizeof(CefSettings));
        EXPECT_EQ(settings.no_sandbox, 0);
        EXPECT_EQ(settings.command_line_args_disabled, 0);
        EXPECT_EQ(settings.remote_debugging_port, 0);
        EXPECT_EQ(settings.log_severity, LOGSEVERITY_DEFAULT);
        EXPECT_EQ(settings.cache_path.str, nullptr);
        EXPECT_EQ(settings.browser_subprocess_path.length, 0u);
        cef_string_ascii_to_utf16("zh-CN", 5, &settings.locale);
        const std::u16string path = u"/home/用户/.local/share/VantoroClient/cache";
        cef_string_utf16_set(path.c_str(), path.size(), &settings.cache_path, 1);
        for (cef_string_t *str : {&settings.locale, &settings.cache_path}) {
            str->dtor = recordFree;
            owned.push_back(str->str);
        }
    }
    std::sort(owned.begin(), owned.end());
    std::sort(freed.begin(), freed.end());
    EXPECT_EQ(freed, owned);
}

}  // namespace
