// Windows has no notification service on a bus: its equivalent is a toast notification, which
// needs the program to be registered with an application user model id and a start-menu
// shortcut, and the WinRT toast API. Until the Windows build shows the page, notifications are
// reported as not shown, so the window's notice bubble shows their title.
#include "platform/desktop_notifications.h"

namespace platform {

namespace {

class NoDesktopNotifications : public DesktopNotifications {
public:
    void Show(const Content &, Id, std::function<void(Id)> shown) override {
        if (shown) {
            shown(0);
        }
    }
    void Withdraw(Id) override {}
    void FinishWithdrawals(int) override {}
};

}  // namespace

std::unique_ptr<DesktopNotifications> DesktopNotifications::Create(const std::string &,
                                                                   const std::string &, Events) {
    return std::make_unique<NoDesktopNotifications>();
}

}  // namespace platform
