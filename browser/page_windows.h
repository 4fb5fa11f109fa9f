#ifndef BROWSER_PAGE_WINDOWS_H_
#define BROWSER_PAGE_WINDOWS_H_

#include <Qt>

#include <atomic>
#include <functional>

#include "include/cef_browser.h"

class MainPageWindow;
class PageWindow;

// The windows the handler's browsers show in: the main window, whose browser is the first one
// created, and the pop-ups' own. Shared by the handler and its parts; used on either thread.
class PageWindows {
public:
    explicit PageWindows(MainPageWindow *main);

    MainPageWindow *main() const { return main_; }
    void setMainBrowser(int id) { main_id_ = id; }
    // Kept once the main browser has closed: a pop-up left open stays one.
    bool isMain(CefRefPtr<CefBrowser> browser) const;

    // Runs action on the window's thread with the window of browser, a pop-up's own only if it is
    // still there.
    void post(CefRefPtr<CefBrowser> browser, std::function<void(PageWindow &)> action) const;
    // Runs action on the window's thread; dropped once the main window is gone.
    void postMain(std::function<void(MainPageWindow &)> action,
                  Qt::ConnectionType type = Qt::AutoConnection) const;

private:
    MainPageWindow *main_;
    std::atomic<int> main_id_{0};
};

#endif  // BROWSER_PAGE_WINDOWS_H_
