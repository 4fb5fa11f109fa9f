#ifndef BROWSER_NOTIFICATION_HANDLER_H_
#define BROWSER_NOTIFICATION_HANDLER_H_

#include "browser/notification_permissions.h"
#include "browser/notification_presenter.h"
#include "include/cef_notification_handler.h"
#include "include/cef_permission_handler.h"

class MainPageWindow;

// Pages' notifications: on the desktop (see NotificationPresenter), as the viewer allows them per
// origin, asked once in the main window.
class NotificationHandler : public CefNotificationHandler, public CefPermissionHandler {
public:
    explicit NotificationHandler(MainPageWindow *window);

    void OnShowNotification(CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefNotification> notification) override;
    void OnNotificationClosed(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefNotification> notification) override;

    bool OnShowPermissionPrompt(CefRefPtr<CefBrowser> browser, uint64 prompt_id,
                                const CefString &requesting_origin, uint32 requested_permissions,
                                CefRefPtr<CefPermissionPromptCallback> callback) override;
    std::vector<std::pair<CefString, bool>> GetRememberedNotificationPermissions() override;

    // The window is closing: its notifications leave the desktop.
    void WithdrawAll();

private:
    NotificationPermissions permissions_;
    NotificationPresenter presenter_;

    IMPLEMENT_REFCOUNTING(NotificationHandler);
};

#endif  // BROWSER_NOTIFICATION_HANDLER_H_
