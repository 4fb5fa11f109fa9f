#include "browser/key_handler.h"

#include <functional>

#include "browser/dev_tools_window.h"
#include "browser/main_page_window.h"
#include "browser/page_windows.h"
#include "browser/zoom_steps.h"

KeyHandler::KeyHandler(std::shared_ptr<PageWindows> windows) : windows_(std::move(windows)) {}

bool KeyHandler::OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                               CefEventHandle, bool *) {
    if (!windows_->isMain(browser)) {
        return false;
    }
    switch (browserKeyBeforePage(event)) {
        case BrowserKey::kToggleFullscreen:
            windows_->postMain([](MainPageWindow &window) { window.toggleWindowFullscreen(); },
                               Qt::QueuedConnection);
            return true;
        case BrowserKey::kLeaveFullscreen:
            if (!windows_->main()->viewerFullscreen()) {
                return false;
            }
            windows_->postMain([](MainPageWindow &window) { window.leaveWindowFullscreen(); },
                               Qt::QueuedConnection);
            return true;
        default:
            return false;
    }
}

bool KeyHandler::OnKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                            CefEventHandle) {
    const BrowserKey key = browserKeyAfterPage(event);
    if (key == BrowserKey::kDevTools) {
        // Any browser's tools, the pop-ups' too.
        windows_->postMain([browser](MainPageWindow &) { openDevToolsWindow(browser); },
                           Qt::QueuedConnection);
        return true;
    }
    if (key == BrowserKey::kBack || key == BrowserKey::kForward) {
        // Every browser moves through its own history.
        windows_->postMain(
            [browser, key](MainPageWindow &) {
                if (key == BrowserKey::kBack) {
                    browser->GoBack();
                } else {
                    browser->GoForward();
                }
            },
            Qt::QueuedConnection);
        return true;
    }
    if (!windows_->isMain(browser)) {
        return onPopupKey(browser, key);
    }
    std::function<void(MainPageWindow &)> action;
    switch (key) {
        case BrowserKey::kReload:
            action = [](MainPageWindow &window) { window.reloadPage(false); };
            break;
        case BrowserKey::kReloadIgnoringCache:
            action = [](MainPageWindow &window) { window.reloadPage(true); };
            break;
        case BrowserKey::kZoomIn:
            action = [](MainPageWindow &window) { window.zoomPage(1); };
            break;
        case BrowserKey::kZoomOut:
            action = [](MainPageWindow &window) { window.zoomPage(-1); };
            break;
        case BrowserKey::kZoomReset:
            action = [](MainPageWindow &window) { window.zoomPage(0); };
            break;
        case BrowserKey::kSmallPlayer:
            action = [](MainPageWindow &window) { window.openSmallPlayer(); };
            break;
        default:
            return false;
    }
    windows_->postMain(action, Qt::QueuedConnection);
    return true;
}

// A pop-up's page gets the same keys for itself: its reload is no refresh of the site's count and
// its zoom is not remembered.
bool KeyHandler::onPopupKey(CefRefPtr<CefBrowser> browser, BrowserKey key) {
    std::function<void(MainPageWindow &)> action;
    int zoom = 0;
    switch (key) {
        case BrowserKey::kReload:
            action = [browser](MainPageWindow &) { browser->Reload(); };
            break;
        case BrowserKey::kReloadIgnoringCache:
            action = [browser](MainPageWindow &) { browser->ReloadIgnoreCache(); };
            break;
        case BrowserKey::kZoomIn:
        case BrowserKey::kZoomOut:
            zoom = key == BrowserKey::kZoomIn ? 1 : -1;
            [[fallthrough]];
        case BrowserKey::kZoomReset:
            action = [windows = windows_, browser, zoom](MainPageWindow &) {
                CefRefPtr<CefBrowserHost> host = browser->GetHost();
                const double factor =
                    zoom_steps::next(zoom_steps::factorOf(host->GetZoomLevel()), zoom);
                host->SetZoomLevel(zoom_steps::levelOf(factor));
                const double shown = zoom_steps::factorOf(host->GetZoomLevel());
                windows->post(browser,
                              [shown](PageWindow &window) { window.pageZoomChanged(shown); });
            };
            break;
        default:
            return false;
    }
    windows_->postMain(action, Qt::QueuedConnection);
    return true;
}
