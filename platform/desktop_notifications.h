// The desktop's notification service, one implementation per system (linux/, win/).
#ifndef PLATFORM_DESKTOP_NOTIFICATIONS_H_
#define PLATFORM_DESKTOP_NOTIFICATIONS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class DesktopNotifications {
public:
    // 0 is never a shown notification's identifier.
    using Id = std::uint32_t;
    // An image as 8-bit RGBA, rows without padding.
    struct Image {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgba;
    };
    // Texts are UTF-8 and plain: the implementation keeps the service from reading markup in
    // them.
    struct Content {
        std::string title;
        std::string body;
        // The program's icon: a theme icon's name or an absolute path; empty: the desktop entry's.
        std::string icon;
        // The notification's own picture, if any.
        Image image;
    };
    struct Events {
        // The user clicked the notification.
        std::function<void(Id)> clicked;
        // The notification is gone from the desktop, whoever closed it.
        std::function<void(Id)> closed;
    };

    // application_name is shown with each notification; desktop_entry names the program's menu
    // entry and its icon. Events arrive on the thread that runs the event loop; none arrives once
    // the object is gone.
    static std::unique_ptr<DesktopNotifications> Create(const std::string &application_name,
                                                        const std::string &desktop_entry,
                                                        Events events);
    virtual ~DesktopNotifications() = default;

    // Shows content in place of the notification replaces (0: a new one). The answer comes later:
    // shown gets the identifier, or 0 when the desktop cannot show it (no notification service,
    // no session bus); the first such failure is reported once on stderr.
    virtual void Show(const Content &content, Id replaces, std::function<void(Id)> shown) = 0;
    // Withdraws a shown notification from the desktop, without waiting for the service.
    virtual void Withdraw(Id id) = 0;
    // Waits until the service has taken every withdrawal asked for so far, at most timeout_ms in
    // all however many there are: before the program ends, so that none is lost.
    virtual void FinishWithdrawals(int timeout_ms) = 0;
};

}  // namespace platform

#endif  // PLATFORM_DESKTOP_NOTIFICATIONS_H_
