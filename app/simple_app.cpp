#include "app/simple_app.h"

namespace {

// The operating-system token and the engine version are fixed text the operator's site expects;
// they are not taken from the running system or engine.
const char kUserAgentPrefix[] =
    "Mozilla/5.0 (Windows NT 6.2; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/79.0.3945.130 Safari/537.36 vtclient/";

}  // namespace

std::string SimpleApp::UserAgent() {
    return std::string(kUserAgentPrefix) + VT_APP_VERSION;
}

void SimpleApp::OnBeforeCommandLineProcessing(const CefString &,
                                              CefRefPtr<CefCommandLine> command_line) {
    // Every process role gets the same switches, so sub-processes agree with the browser process.
    command_line->AppendSwitchWithValue("remote-debugging-port", "7788");
    command_line->AppendSwitchWithValue("autoplay-policy", "no-user-gesture-required");
    command_line->AppendSwitchWithValue("user-agent", UserAgent());
    command_line->AppendSwitchWithValue("disable-gpu", "1");
}
