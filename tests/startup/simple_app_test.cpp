#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/simple_app.h"
#include "include/cef_command_line.h"

namespace {

const char kUserAgent[] =
    "Mozilla/5.0 (Windows NT 6.2; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/79.0.3945.130 Safari/537.36 vtclient/1.0.3";

std::vector<std::string> argvAfterHook(const char *process_type) {
    CefRefPtr<SimpleApp> app(new SimpleApp);
    CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
    const char *argv[] = {"vantoro-client", "--lang=zh-CN"};
    command_line->InitFromArgv(2, argv);
    app->OnBeforeCommandLineProcessing(process_type, command_line);

    std::vector<CefString> words;
    command_line->GetArgv(words);
    std::vector<std::string> result;
    for (const CefString &word : words) {
        result.push_back(word.ToString());
    }
    return result;
}

TEST(SimpleAppTest, AppendsTheFourSwitchesInOrderInEveryProcessRole) {
    const std::vector<std::string> expected = {
        "vantoro-client",
        "--lang=zh-CN",
        "--remote-debugging-port=7788",
        "--autoplay-policy=no-user-gesture-required",
        std::string("--user-agent=") + kUserAgent,
        "--disable-gpu=1",
    };
    for (const char *role : {"", "renderer", "gpu-process", "utility", "zygote"}) {
        SCOPED_TRACE(role);
        EXPECT_EQ(argvAfterHook(role), expected);
    }
}

TEST(SimpleAppTest, UserAgentIsTheFixedTextFollowedByTheVersion) {
    const std::string user_agent = SimpleApp::UserAgent();
    EXPECT_EQ(user_agent, kUserAgent);
    EXPECT_EQ(user_agent.size(), 124u);
}

TEST(SimpleAppTest, IsItsOwnBrowserProcessHandlerAndSharesOneCount) {
    CefRefPtr<SimpleApp> app(new SimpleApp);
    EXPECT_TRUE(app->HasOneRef());
    {
        CefRefPtr<CefBrowserProcessHandler> handler = app->GetBrowserProcessHandler();
        EXPECT_EQ(handler.get(), static_cast<CefBrowserProcessHandler *>(app.get()));
        EXPECT_FALSE(app->HasOneRef());
    }
    EXPECT_TRUE(app->HasOneRef());
}

}  // namespace
