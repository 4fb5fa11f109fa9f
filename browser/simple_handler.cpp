#include "browser/simple_handler.h"

#include <QString>

#include "browser/dev_tools_window.h"
#include "browser/main_page_window.h"
#include "browser/page_window.h"
#include "browser/page_windows.h"
#include "browser/zoom_steps.h"
#include "include/cef_app.h"
#include "platform/platform.h"

namespace {

constexpr int kDevToolsMenuCommandId = 26700;
static_assert(kDevToolsMenuCommandId >= MENU_ID_USER_FIRST &&
                  kDevToolsMenuCommandId <= MENU_ID_USER_LAST,
              "the engine leaves only its client range to the program's own commands");

// "&开发者工具": the ampersand makes the next character the item's mnemonic.
constexpr char kDevToolsMenuLabel[] = u8"&开发者工具";

}  // namespace

SimpleHandler::SimpleHandler(MainPageWindow *window)
    : windows_(std::make_shared<PageWindows>(window)),
      external_links_(
          [window](const QString &url, std::function<void(ExternalLinks::Answer)> answer) {
              window->askExternalLink(url, std::move(answer));
          },
          [](const QString &url) { platform::openExternally(url.toStdString()); }),
      downloads_(new DownloadHandler([windows = windows_](const QString &text) {
          windows->postMain([text](MainPageWindow &main) { main.showNotice(text); });
      })),
      keys_(new KeyHandler(windows_)),
      notifications_(new NotificationHandler(window)),
      recovery_(new LoadRecoveryHandler(windows_, [this] { return MainBrowser(); })) {}

SimpleHandler::~SimpleHandler() = default;

SimpleHandler::BrowserList SimpleHandler::GetBrowserList() {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    return browser_list_;
}

CefRefPtr<CefBrowser> SimpleHandler::MainBrowser() {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    return browser_list_.empty() ? nullptr : browser_list_.front();
}

bool SimpleHandler::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                  const CefString &target_url, const CefString &,
                                  WindowOpenDisposition target_disposition, bool,
                                  const CefPopupFeatures &, CefWindowInfo &, CefRefPtr<CefClient> &,
                                  CefBrowserSettings &, CefRefPtr<CefDictionaryValue> &, bool *) {
    switch (target_disposition) {
        case WOD_NEW_FOREGROUND_TAB:
        case WOD_NEW_BACKGROUND_TAB:
        case WOD_NEW_WINDOW:
            // The client is a single window: what a page wants in a new tab or window replaces
            // the whole page, even when a sub-frame asked for it.
            browser->GetMainFrame()->LoadURL(target_url);
            return true;
        default:
            return false;
    }
}

void SimpleHandler::OnFullscreenModeChange(CefRefPtr<CefBrowser> browser, bool fullscreen) {
    // Pop-ups' windows are switched by the engine; the window's switch is made on its own thread.
    windows_->post(browser,
                   [fullscreen](PageWindow &window) { window.showPageFullscreen(fullscreen); });
}

void SimpleHandler::OnPictureInPictureModeChange(CefRefPtr<CefBrowser> browser, bool active) {
    // A pop-up's video fills the pop-up's own window, which is small already.
    if (windows_->isMain(browser)) {
        windows_->postMain(
            [active](MainPageWindow &window) { window.showPagePictureInPicture(active); });
    }
}

void SimpleHandler::OnZoomChange(CefRefPtr<CefBrowser> browser, double zoom_level) {
    const double factor = zoom_steps::factorOf(zoom_level);
    windows_->post(browser, [factor](PageWindow &window) { window.pageZoomChanged(factor); });
}

void SimpleHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    // Pop-ups the engine opens with this client arrive here too; only the first browser is the
    // window's own.
    if (browser_list_.empty()) {
        browser_list_.push_back(browser);
        windows_->setMainBrowser(browser->GetIdentifier());
        // Queued: the window looks the browser up in this list, under this lock.
        windows_->postMain([](MainPageWindow &window) { window.browserCreated(); },
                           Qt::QueuedConnection);
    }
}

bool SimpleHandler::DoClose(CefRefPtr<CefBrowser>) {
    return false;
}

void SimpleHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
    BrowserList closed;
    bool empty;
    {
        std::lock_guard<std::mutex> lock(browser_list_mutex_);
        for (auto it = browser_list_.begin(); it != browser_list_.end(); ++it) {
            if ((*it)->IsSame(browser)) {
                // Released after the lock: the last reference may take the browser with it.
                closed.splice(closed.begin(), browser_list_, it);
                break;
            }
        }
        empty = browser_list_.empty();
    }
    recovery_->Forget(browser);
    if (empty) {
        CefQuitMessageLoop();
    }
}

void SimpleHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                              TerminationStatus status) {
    recovery_->OnRenderProcessTerminated(browser, status);
}

void SimpleHandler::OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) {
    recovery_->OnSharedRenderProcessUnresponsive(browser);
}

void SimpleHandler::OnProtocolExecution(CefRefPtr<CefBrowser>, const CefString &url,
                                        bool &allow_os_execution) {
    allow_os_execution = false;
    external_links_.Request(QString::fromStdU16String(url.ToString16()));
}

void SimpleHandler::WithdrawNotifications() {
    notifications_->WithdrawAll();
}

void SimpleHandler::ReloadPage(CefRefPtr<CefBrowser> browser, bool ignore_cache) {
    recovery_->ReloadPage(browser, ignore_cache);
}

void SimpleHandler::StopRetrying() {
    recovery_->StopRetrying();
}

void SimpleHandler::WatchNetwork() {
    recovery_->WatchNetwork();
    DownloadHandler::RemoveAbandonedLater();
}

void SimpleHandler::SetWindowMinimised(bool minimised) {
    recovery_->SetWindowMinimised(minimised);
}

void SimpleHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                        CefRefPtr<CefContextMenuParams> params,
                                        CefRefPtr<CefMenuModel> model) {
    if ((params->GetTypeFlags() & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME)) == 0) {
        return;
    }
    if (model->GetCount() <= 0) {
        return;
    }
    // The page menu's separator sits at index 2; navigation, printing and the page source are
    // not for this client's users.
    model->RemoveAt(2);
    model->Remove(MENU_ID_BACK);
    model->Remove(MENU_ID_FORWARD);
    model->Remove(MENU_ID_PRINT);
    model->Remove(MENU_ID_VIEW_SOURCE);
    model->AddItem(kDevToolsMenuCommandId, kDevToolsMenuLabel);
}

bool SimpleHandler::OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                         CefRefPtr<CefContextMenuParams>, int command_id,
                                         EventFlags) {
    if (command_id != kDevToolsMenuCommandId) {
        // Copy, Paste and the rest are the engine's to carry out.
        return false;
    }
    openDevToolsWindow(browser);
    return true;
}
