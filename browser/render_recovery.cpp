#include "browser/render_recovery.h"

RenderRecovery::Action RenderRecovery::terminated(int browser, Clock::time_point now) {
    const auto found = last_end_.find(browser);
    const bool repeat = found != last_end_.end() && now - found->second < kRepeatWindow;
    // Every end restarts the window: a reload the viewer asks for after the error page gets the
    // error page again if it fails as fast.
    last_end_[browser] = now;
    return repeat ? Action::ShowErrorPage : Action::Reload;
}

void RenderRecovery::forget(int browser) {
    last_end_.erase(browser);
}
