#include <gtest/gtest.h>

#include "include/cef_command_line.h"
#include "src/cef_command_line_impl.h"
#include "src/chromium_switches.h"

namespace {

std::vector<std::string> argvOf(CefRefPtr<CefCommandLine> command_line) {
    std::vector<CefString> argv;
    command_line->GetArgv(argv);
    std::vector<std::string> out;
    for (const CefString &arg : argv) {
        out.push_back(arg.ToString());
    }
    return out;
}

CefRefPtr<CefCommandLineImpl> parsed(std::vector<const char *> argv) {
    CefRefPtr<CefCommandLineImpl> command_line(new CefCommandLineImpl);
    command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
    return command_line;
}

using Strings = std::vector<std::string>;

TEST(CommandLine, ParsesSwitchesAsChromiumDoes) {
    CefRefPtr<CefCommandLine> command_line =
        parsed({"/opt/client", "--type=renderer", "-single", "--rules=MAP a b=c", "page.html",
                "--late", "-", "--", "--after"});
    EXPECT_EQ(command_line->GetProgram().ToString(), "/opt/client");
    EXPECT_EQ(command_line->GetSwitchValue("type").ToString(), "renderer");
    EXPECT_TRUE(command_line->HasSwitch("single"));
    EXPECT_TRUE(command_line->GetSwitchValue("single").empty());
    EXPECT_EQ(command_line->GetSwitchValue("rules").ToString(), "MAP a b=c");
    // Switches and arguments may interleave until "--", which stays as an argument.
    EXPECT_TRUE(command_line->HasSwitch("late"));
    EXPECT_FALSE(command_line->HasSwitch("after"));
    CefCommandLine::ArgumentList arguments;
    command_line->GetArguments(arguments);
    ASSERT_EQ(arguments.size(), 4u);
    EXPECT_EQ(arguments[0].ToString(), "page.html");
    EXPECT_EQ(arguments[1].ToString(), "-");
    EXPECT_EQ(arguments[2].ToString(), "--");
    EXPECT_EQ(arguments[3].ToString(), "--after");
    const Strings argv = argvOf(command_line);
    EXPECT_EQ(argv, (Strings{"/opt/client", "--type=renderer", "--single", "--rules=MAP a b=c",
                             "--late", "page.html", "-", "--", "--after"}));

    // Parsed again, what it hands on means the same.
    std::vector<const char *> pointers;
    for (const std::string &arg : argv) {
        pointers.push_back(arg.c_str());
    }
    EXPECT_EQ(argvOf(parsed(pointers).get()), argv);
}

TEST(CommandLine, KeepsAppendedSwitchesInOrderWithTheirValues) {
    CefRefPtr<CefCommandLine> command_line = parsed({"client", "--given=1", "plain"});
    command_line->AppendSwitchWithValue("remote-debugging-port", "7788");
    command_line->AppendSwitchWithValue("--user-agent", "Mozilla/5.0 (X; 中文) vtclient/1.0.3");
    command_line->AppendSwitch("disable-gpu");
    command_line->AppendSwitchWithValue("given", "2");
    EXPECT_EQ(argvOf(command_line), (Strings{"client", "--given=1", "--remote-debugging-port=7788",
                                             "--user-agent=Mozilla/5.0 (X; 中文) vtclient/1.0.3",
                                             "--disable-gpu", "--given=2", "plain"}));
    EXPECT_EQ(command_line->GetSwitchValue("given").ToString(), "2");
    CefCommandLine::SwitchMap switches;
    command_line->GetSwitches(switches);
    EXPECT_EQ(switches.size(), 4u);
    EXPECT_EQ(switches[CefString("user-agent")].ToString(), "Mozilla/5.0 (X; 中文) vtclient/1.0.3");
}

TEST(CommandLine, EmptyOrMissingArgvGivesAnEmptyCommandLine) {
    CefRefPtr<CefCommandLineImpl> command_line = parsed({"client", "--x"});
    command_line->InitFromArgv(0, nullptr);
    EXPECT_FALSE(command_line->HasSwitches());
    EXPECT_TRUE(command_line->GetProgram().empty());
    const char *argv[] = {"client", nullptr, "--ignored"};
    command_line->InitFromArgv(3, argv);
    EXPECT_EQ(argvOf(command_line.get()), (Strings{"client"}));
}

TEST(ChromiumSwitches, SettingsAddOnlyWhatTheCommandLineLacks) {
    CefRefPtr<CefCommandLineImpl> command_line = parsed({"client", "--lang=en-US"});
    command_line->AppendSwitchWithValue("remote-debugging-port", "7788");
    CefSettings settings;
    cef_string_ascii_to_utf16("zh-CN", 5, &settings.locale);
    settings.remote_debugging_port = 9222;
    settings.log_severity = LOGSEVERITY_DISABLE;
    EXPECT_EQ(chromiumSwitches(*command_line, settings),
              (Strings{"--lang=en-US", "--remote-debugging-port=7788", "--disable-logging",
                       "--log-level=3"}));

    CefRefPtr<CefCommandLineImpl> bare = parsed({"client"});
    EXPECT_EQ(chromiumSwitches(*bare, settings),
              (Strings{"--lang=zh-CN", "--remote-debugging-port=9222", "--disable-logging",
                       "--log-level=3"}));

    settings.no_sandbox = 1;
    EXPECT_EQ(chromiumSwitches(*bare, settings),
              (Strings{"--lang=zh-CN", "--remote-debugging-port=9222", "--no-sandbox",
                       "--disable-logging", "--log-level=3"}));
    CefRefPtr<CefCommandLineImpl> given = parsed({"client", "--no-sandbox"});
    EXPECT_EQ(chromiumSwitches(*given, settings),
              (Strings{"--no-sandbox", "--lang=zh-CN", "--remote-debugging-port=9222",
                       "--disable-logging", "--log-level=3"}));
}

TEST(ChromiumSwitches, FlagsTextKeepsValuesWithSpacesTogether) {
    EXPECT_EQ(chromiumFlagsText({"--host-resolver-rules=MAP live.vantoro.example 127.0.0.1:8443",
                                 "--ignore-certificate-errors",
                                 "--user-agent=Mozilla/5.0 (Windows NT 6.2; WOW64) vtclient/1.0.3",
                                 "--disable-gpu=1"}),
              "\"--host-resolver-rules=MAP live.vantoro.example 127.0.0.1:8443\" "
              "--ignore-certificate-errors "
              "\"--user-agent=Mozilla/5.0 (Windows NT 6.2; WOW64) vtclient/1.0.3\" "
              "--disable-gpu=1");
    // Qt's reader has no escape for a double quote: such a switch would corrupt its neighbours.
    EXPECT_EQ(chromiumFlagsText({"--a=1", "--quoted=say \"hi\"", "--b"}), "--a=1 --b");
    EXPECT_EQ(chromiumFlagsText({}), "");
}

}  // namespace
