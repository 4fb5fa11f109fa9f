#ifndef BROWSER_NOTIFICATION_PRESENTER_H_
#define BROWSER_NOTIFICATION_PRESENTER_H_

#include <functional>
#include <map>
#include <memory>

#include <QString>

#include "browser/notification_rate_limit.h"
#include "include/cef_notification_handler.h"
#include "platform/desktop_notifications.h"

// Shows pages' notifications on the desktop: title and body cut short and as plain text, with the
// page's picture and the client's icon, at the pace NotificationRateLimit allows. A click brings
// the window up and reaches the page; closing the window withdraws them, waiting a second at most
// for the desktop. Where the desktop cannot show one, the window's notice shows its title.
class NotificationPresenter {
public:
    struct Window {
        std::function<void(const QString &)> showNotice;
        std::function<void()> bringToFront;
    };

    // What the desktop gets of a page's text: at most max_length UTF-16 units, an ellipsis where
    // it was cut, line breaks kept, other control characters and bidirectional overrides gone.
    static QString PlainText(const QString &text, int max_length);

    explicit NotificationPresenter(Window window);
    ~NotificationPresenter();

    void Show(CefRefPtr<CefNotification> notification);
    // The page closed it.
    void Closed(CefRefPtr<CefNotification> notification);
    void WithdrawAll();

private:
    void Clicked(platform::DesktopNotifications::Id id);
    void Gone(platform::DesktopNotifications::Id id);

    const Window window_;
    NotificationRateLimit rate_limit_;
    std::map<platform::DesktopNotifications::Id, CefRefPtr<CefNotification>> shown_;
    // Declared last: it goes first, and no event of it reaches the members above once they are
    // gone.
    std::unique_ptr<platform::DesktopNotifications> desktop_;
};

#endif  // BROWSER_NOTIFICATION_PRESENTER_H_
