#include "browser/notification_handler.h"

#include "browser/main_page_window.h"
#include "paths/settings_file.h"

NotificationHandler::NotificationHandler(MainPageWindow *window)
    : permissions_(SettingsFile::client(),
                   [window](const QString &host,
                            std::function<void(NotificationPermissions::Answer)> answer) {
                       window->askNotificationPermission(host, std::move(answer));
                   }),
      presenter_({[window](const QString &text) { window->showNotice(text); },
                  [window] { window->bringToFront(); }}) {}

void NotificationHandler::OnShowNotification(CefRefPtr<CefBrowser>,
                                             CefRefPtr<CefNotification> notification) {
    presenter_.Show(notification);
}

void NotificationHandler::OnNotificationClosed(CefRefPtr<CefBrowser>,
                                               CefRefPtr<CefNotification> notification) {
    presenter_.Closed(notification);
}

bool NotificationHandler::OnShowPermissionPrompt(CefRefPtr<CefBrowser>, uint64,
                                                 const CefString &requesting_origin,
                                                 uint32 requested_permissions,
                                                 CefRefPtr<CefPermissionPromptCallback> callback) {
    if (requested_permissions != CEF_PERMISSION_TYPE_NOTIFICATIONS) {
        return false;
    }
    permissions_.Request(
        QString::fromStdU16String(requesting_origin.ToString16()), [callback](bool allowed) {
            callback->Continue(allowed ? CEF_PERMISSION_RESULT_ACCEPT : CEF_PERMISSION_RESULT_DENY);
        });
    return true;
}

std::vector<std::pair<CefString, bool>>
NotificationHandler::GetRememberedNotificationPermissions() {
    std::vector<std::pair<CefString, bool>> remembered;
    for (const auto &[origin, allowed] : permissions_.Remembered()) {
        remembered.emplace_back(CefString(origin.toStdU16String()), allowed);
    }
    return remembered;
}

void NotificationHandler::WithdrawAll() {
    presenter_.WithdrawAll();
}
