// The page shown in place of a failed load, and the data URI that carries it into the frame.
#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "browser/load_error_page.h"
#include "browser/make_data_uri.h"
#include "browser/simple_handler.h"
#include "tests/browser/engine_doubles.h"
#include "tests/browser/fake_page_window.h"

namespace {

const std::string kHtmlPrefix = "data:text/html;base64,";

// Undoes the URI by other means than the engine's encoders: percent-decoding, then base64.
std::string decodeDataUri(const std::string &uri, const std::string &prefix) {
    EXPECT_EQ(uri.compare(0, prefix.size(), prefix), 0) << uri;
    const QByteArray encoded = QByteArray::fromStdString(uri.substr(prefix.size()));
    // Only unreserved characters and escapes: "+", "/" and "=" of the base64 text are escaped.
    EXPECT_TRUE(
        QRegularExpression("^[A-Za-z0-9%]*$").match(QString::fromLatin1(encoded)).hasMatch())
        << uri;
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromPercentEncoding(encoded),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    EXPECT_TRUE(decoded) << uri;
    return decoded.decoded.toStdString();
}

class LoadErrorTest : public ::testing::Test {
protected:
    // The window never got a browser of its own: the handler's pages are never retried.
    FakePageWindow window;
    // The page the handler loads into frame for one failure, or "" when it loads nothing.
    std::string pageFor(int errorCode, const CefString &errorText, const CefString &failedUrl) {
        CefRefPtr<RecordingFrame> frame = new RecordingFrame;
        handler->GetLoadHandler()->OnLoadError(
            browser, frame.get(), static_cast<ErrorCode>(errorCode), errorText, failedUrl);
        EXPECT_TRUE(browser->mainFrame->loadedUrls.empty());
        if (frame->loadedUrls.empty()) {
            return "";
        }
        EXPECT_EQ(frame->loadedUrls.size(), 1u);
        return decodeDataUri(frame->loadedUrls.front(), kHtmlPrefix);
    }

    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
    CefRefPtr<RecordingBrowser> browser = new RecordingBrowser(1);
};

TEST_F(LoadErrorTest, NamesTheUrlTheErrorAndItsCode) {
    EXPECT_EQ(pageFor(-105, "net::ERR_NAME_NOT_RESOLVED", "https://live.vantoro.example/"),
              "<html><body bgcolor=\"white\"><h2>Failed to load URL https://live.vantoro.example/"
              " with error net::ERR_NAME_NOT_RESOLVED (-105).</h2></body></html>");
}

TEST_F(LoadErrorTest, EmptyErrorTextLeavesTwoSpaces) {
    EXPECT_EQ(pageFor(-102, "", "http://127.0.0.1:1/"),
              "<html><body bgcolor=\"white\"><h2>Failed to load URL http://127.0.0.1:1/"
              " with error  (-102).</h2></body></html>");
}

TEST_F(LoadErrorTest, OnlyAnAbortedLoadGetsNoPage) {
    EXPECT_EQ(pageFor(ERR_ABORTED, "net::ERR_ABORTED", "https://a.example/"), "");
    EXPECT_NE(pageFor(200, "odd", "https://a.example/").find(" with error odd (200).</h2>"),
              std::string::npos);
    EXPECT_NE(pageFor(-2, "net::ERR_FAILED", "https://a.example/").find("(-2)"), std::string::npos);
    // The code is written as a plain decimal integer across the whole range.
    EXPECT_NE(buildLoadErrorPage("u", "e", INT_MIN).find("(-2147483648)"), std::string::npos);
    EXPECT_NE(buildLoadErrorPage("u", "e", 1234567).find("(1234567)"), std::string::npos);
}

TEST_F(LoadErrorTest, UrlAndErrorTextCannotAddMarkup) {
    const std::string page = pageFor(-300, "bad \"<b>\" & 'worse'",
                                     "https://a.example/?q=<script>alert(1)</script>&x='y'");
    EXPECT_EQ(
        page,
        "<html><body bgcolor=\"white\"><h2>Failed to load URL "
        "https://a.example/?q=&lt;script&gt;alert(1)&lt;/script&gt;&amp;x=&#39;y&#39;"
        " with error bad &quot;&lt;b&gt;&quot; &amp; &#39;worse&#39; (-300).</h2></body></html>");
}

TEST_F(LoadErrorTest, TextOutsideAsciiBecomesCharacterReferences) {
    const std::string page = pageFor(-105, u"无法解析主机 😀", u"https://直播.example/房间");
    EXPECT_NE(page.find("URL https://&#30452;&#25773;.example/&#25151;&#38388; with error "
                        "&#26080;&#27861;&#35299;&#26512;&#20027;&#26426; &#128512; (-105)"),
              std::string::npos)
        << page;
    for (const char c : page) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80) << page;
    }
}

TEST(LoadErrorPage, RetryLineNamesTheUrlAsTextAfterTheUnchangedPage) {
    const std::string url = "https://a.example/?q=\"<x>\"&y='z'";
    const std::string plain = buildLoadErrorPage(url, "net::ERR_CONNECTION_REFUSED", -102);
    const std::string page = buildLoadErrorPage(url, "net::ERR_CONNECTION_REFUSED", -102, true);
    const std::string tail = "</body></html>";
    EXPECT_EQ(page.substr(0, plain.size() - tail.size()),
              plain.substr(0, plain.size() - tail.size()));
    EXPECT_EQ(page.substr(plain.size() - tail.size()),
              "<p>&#31245;&#21518;&#23558;&#33258;&#21160;&#37325;&#26032;&#21152;&#36733; "
              "https://a.example/?q=&quot;&lt;x&gt;&quot;&amp;y=&#39;z&#39;</p></body></html>");
}

TEST(LoadErrorPage, MalformedUtf8CannotSmuggleMarkup) {
    // An overlong "<" and a stray continuation byte are no characters at all.
    const std::string page = buildLoadErrorPage(
        "a\xC0\xBC"
        "b\x80",
        "", -1);
    EXPECT_NE(page.find("URL a&#65533;&#65533;b&#65533; with"), std::string::npos) << page;
}

TEST(MakeDataUri, CarriesEveryByteUnderTheMediaType) {
    const std::string content("a\0b\xff\xfe+/?", 8);
    EXPECT_EQ(decodeDataUri(MakeDataUri(content, "application/octet-stream"),
                            "data:application/octet-stream;base64,"),
              content);
    EXPECT_EQ(MakeDataUri("", "text/html"), kHtmlPrefix);
}

TEST(MakeDataUri, EscapesTheBase64Text) {
    // Base64 "Pz8/Pj4+fg==": every character that needs escaping occurs.
    EXPECT_EQ(MakeDataUri("??"
                          "?>>>~",
                          "text/html"),
              kHtmlPrefix + "Pz8%2FPj4%2Bfg%3D%3D");
}

}  // namespace
