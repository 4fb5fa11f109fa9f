#ifndef ENGINE_INCLUDE_CEF_NOTIFICATION_HANDLER_H_
#define ENGINE_INCLUDE_CEF_NOTIFICATION_HANDLER_H_

#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"

// A notification a page shows, once the user has allowed its origin to.
class CefNotification : public virtual CefBaseRefCounted {
public:
    // As the page gave them: any length, any characters.
    virtual CefString GetTitle() = 0;
    virtual CefString GetBody() = 0;
    virtual CefString GetOrigin() = 0;
    // Notifications of one origin with the same non-empty tag replace each other.
    virtual CefString GetTag() = 0;
    // The page's picture for it, scaled down to at most max_side pixels a side, as 8-bit RGBA rows
    // without padding; false when it has none.
    virtual bool GetIcon(int max_side, int &width, int &height,
                         std::vector<unsigned char> &rgba) = 0;
    // The user clicked it: the page's click handler runs.
    virtual void Click() = 0;
    // The user or the program closed it: the page hears of it.
    virtual void Close() = 0;
};

// Presents pages' notifications. Without a handler they are dropped.
class CefNotificationHandler : public virtual CefBaseRefCounted {
public:
    // browser is the one showing the notification's origin, or the oldest open browser.
    virtual void OnShowNotification(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefNotification> notification) = 0;
    // The page closed the notification.
    virtual void OnNotificationClosed(CefRefPtr<CefBrowser> /*browser*/,
                                      CefRefPtr<CefNotification> /*notification*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_NOTIFICATION_HANDLER_H_
