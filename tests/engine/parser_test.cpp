#include <gtest/gtest.h>

#include <string>

#include "include/cef_parser.h"

namespace {

TEST(Base64, EncodesBytesAndNothingForNoData) {
    const std::string page = "<p>页面</p>";
    EXPECT_EQ(CefBase64Encode(page.data(), page.size()).ToString(), "PHA+6aG16Z2iPC9wPg==");
    EXPECT_EQ(CefBase64Encode(nullptr, 4).ToString(), "");
}

TEST(UriEncode, KeepsOnlyUnreservedCharacters) {
    EXPECT_EQ(CefURIEncode("AZaz09-_.!~*'()", false).ToString(), "AZaz09-_.!~*'()");
    EXPECT_EQ(CefURIEncode("a b+c/d?e=f&g#h%", false).ToString(),
              "a%20b%2Bc%2Fd%3Fe%3Df%26g%23h%25");
    EXPECT_EQ(CefURIEncode("网络错误", false).ToString(), "%E7%BD%91%E7%BB%9C%E9%94%99%E8%AF%AF");
    EXPECT_EQ(CefURIEncode("PHA+6aG1PC9wPg==", false).ToString(), "PHA%2B6aG1PC9wPg%3D%3D");
}

TEST(UriEncode, PlusStandsForSpacesOnlyWhenAsked) {
    EXPECT_EQ(CefURIEncode("a b+c", true).ToString(), "a+b%2Bc");
    EXPECT_EQ(CefURIEncode("a b+c", false).ToString(), "a%20b%2Bc");
    EXPECT_EQ(CefURIEncode("\t\n", true).ToString(), "%09%0A");
}

}  // namespace
