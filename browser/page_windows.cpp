#include "browser/page_windows.h"

#include <QMetaObject>
#include <QWidget>

#include "browser/main_page_window.h"
#include "platform/widget_handle.h"

PageWindows::PageWindows(MainPageWindow *main) : main_(main) {}

bool PageWindows::isMain(CefRefPtr<CefBrowser> browser) const {
    return browser->GetIdentifier() == main_id_;
}

void PageWindows::post(CefRefPtr<CefBrowser> browser,
                       std::function<void(PageWindow &)> action) const {
    MainPageWindow *main = main_;
    if (isMain(browser)) {
        QMetaObject::invokeMethod(main->object(), [main, action] { action(*main); });
        return;
    }
    const CefWindowHandle handle = browser->GetHost()->GetWindowHandle();
    // The pop-up may close before the window's thread comes to it.
    QMetaObject::invokeMethod(main->object(), [main, handle, action] {
        if (QWidget *view = platform::widgetOfHandle(handle)) {
            action(*main->popupWindow(view->window()));
        }
    });
}

void PageWindows::postMain(std::function<void(MainPageWindow &)> action,
                           Qt::ConnectionType type) const {
    MainPageWindow *main = main_;
    QMetaObject::invokeMethod(
        main->object(), [main, action] { action(*main); }, type);
}
