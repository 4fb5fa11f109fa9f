#include "browser/simple_handler.h"

#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QWidget>

#include "browser/browser_keys.h"
#include "browser/free_space_floor.h"
#include "browser/load_error_page.h"
#include "browser/load_retry.h"
#include "browser/main_page_window.h"
#include "browser/make_data_uri.h"
#include "browser/settings_file.h"
#include "browser/zoom_steps.h"
#include "include/cef_app.h"
#include "platform/platform.h"
#include "platform/widget_handle.h"

namespace {

constexpr int kDevToolsMenuCommandId = 26700;
static_assert(kDevToolsMenuCommandId >= MENU_ID_USER_FIRST &&
                  kDevToolsMenuCommandId <= MENU_ID_USER_LAST,
              "the engine leaves only its client range to the program's own commands");

// "&开发者工具": the ampersand makes the next character the item's mnemonic.
constexpr char kDevToolsMenuLabel[] = u8"&开发者工具";

// How long a file name may be in a notice before its middle gives way to an ellipsis.
constexpr int kNoticeNameLength = 40;

// The error page's code for a page whose process ended: the engine's load errors are all
// negative.
constexpr int kRenderProcessGoneCode = 1000;

constexpr char kReloadedNotice[] = u8"页面异常退出，已重新加载";
constexpr char kBusyNotice[] = u8"页面暂无响应，将在其恢复后重新加载";

// The error page's own loads carry it in a data URI; the site's pages cannot send the main frame
// to one.
constexpr char kDataScheme[] = "data:";

const char *terminationText(cef_termination_status_t status) {
    switch (status) {
        case TS_PROCESS_WAS_KILLED:
            return "page process was killed";
        case TS_PROCESS_CRASHED:
            return "page process crashed";
        case TS_PROCESS_OOM:
            return "page process ran out of memory";
        case TS_ABNORMAL_TERMINATION:
            break;
    }
    return "page process ended abnormally";
}

// Downloads running at once; a page asking for more is refused.
constexpr int kMaxRunningDownloads = 3;
constexpr int kAbandonedDownloadsDelayMs = 3000;

QString toQString(const CefString &text) {
    return QString::fromStdU16String(text.ToString16());
}

// The user's download folder, made if missing; empty when there is none to write to. The data
// folder is never one: clearing the cache would take the downloads with it.
QString downloadFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return QString();
    }
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString data =
        QFileInfo(QString::fromStdString(platform::dataFolderPath())).canonicalFilePath();
    if (!data.isEmpty() && (canonical == data || canonical.startsWith(data + QLatin1Char('/')))) {
        return QString();
    }
    return folder;
}

// Whether a download in folder may go on: see FreeSpaceFloor.
bool freeSpaceAllows(const QString &folder, qint64 remaining, qint64 step) {
    const QStorageInfo disk(folder);
    return !disk.isValid() ||
           FreeSpaceFloor::allows(disk.bytesAvailable(), disk.bytesTotal(), remaining, step);
}

QString noticeName(const QString &name) {
    if (name.size() <= kNoticeNameLength) {
        return name;
    }
    const int half = kNoticeNameLength / 2;
    return name.left(half) + QChar(0x2026) + name.right(half);
}

}  // namespace

SimpleHandler::SimpleHandler(MainPageWindow *window)
    : window_(window),
      notification_permissions_(
          SettingsFile::client(),
          [window](const QString &host,
                   std::function<void(NotificationPermissions::Answer)> answer) {
              window->askNotificationPermission(host, std::move(answer));
          }),
      external_links_(
          [window](const QString &url, std::function<void(ExternalLinks::Answer)> answer) {
              window->askExternalLink(url, std::move(answer));
          },
          [](const QString &url) { platform::openExternally(url.toStdString()); }),
      notification_presenter_({[window](const QString &text) { window->showNotice(text); },
                               [window] { window->bringToFront(); }}) {
    retry_.reset(new LoadRetry([this](const std::string &url) {
        if (CefRefPtr<CefBrowser> browser = MainBrowser()) {
            browser->GetMainFrame()->LoadURL(url);
        }
    }));
}

SimpleHandler::~SimpleHandler() = default;

void SimpleHandler::WatchNetwork() {
    // Where the system can tell that the network is back, a waiting page is tried at once; where
    // it cannot, the back-off alone brings it back.
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        LoadRetry *retry = retry_.get();
        QObject::connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged,
                         retry, [retry](QNetworkInformation::Reachability reachability) {
                             if (reachability != QNetworkInformation::Reachability::Disconnected &&
                                 reachability != QNetworkInformation::Reachability::Unknown) {
                                 retry->networkBack();
                             }
                         });
    }
    // Once the window is up: what killed clients left in the download folder goes.
    QTimer::singleShot(kAbandonedDownloadsDelayMs, [] {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            CefRemoveAbandonedDownloads(CefString(folder.toStdU16String()));
        }
    });
}

SimpleHandler::BrowserList SimpleHandler::GetBrowserList() {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    return browser_list_;
}

CefRefPtr<CefBrowser> SimpleHandler::MainBrowser() {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    return browser_list_.empty() ? nullptr : browser_list_.front();
}

bool SimpleHandler::isMain(CefRefPtr<CefBrowser> browser) const {
    return browser->GetIdentifier() == main_browser_id_;
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
    onPageWindow(browser,
                 [fullscreen](PageWindow &window) { window.showPageFullscreen(fullscreen); });
}

void SimpleHandler::OnZoomChange(CefRefPtr<CefBrowser> browser, double zoom_level) {
    const double factor = zoom_steps::factorOf(zoom_level);
    onPageWindow(browser, [factor](PageWindow &window) { window.pageZoomChanged(factor); });
}

// Whether a key is taken is answered at once; what it does happens on the window's next turn,
// outside the engine's key handling (a refresh's beacon waits for its answer).
bool SimpleHandler::OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                                  CefEventHandle, bool *) {
    if (!isMain(browser)) {
        return false;
    }
    MainPageWindow *window = window_;
    QObject *owner = window->object();
    switch (browserKeyBeforePage(event)) {
        case BrowserKey::kToggleFullscreen:
            QMetaObject::invokeMethod(
                owner, [window] { window->toggleWindowFullscreen(); }, Qt::QueuedConnection);
            return true;
        case BrowserKey::kLeaveFullscreen:
            if (!window->viewerFullscreen()) {
                return false;
            }
            QMetaObject::invokeMethod(
                owner, [window] { window->leaveWindowFullscreen(); }, Qt::QueuedConnection);
            return true;
        default:
            return false;
    }
}

bool SimpleHandler::OnKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                               CefEventHandle) {
    const BrowserKey key = browserKeyAfterPage(event);
    if (key == BrowserKey::kDevTools) {
        // Any browser's tools, the pop-ups' too.
        QMetaObject::invokeMethod(
            window_->object(),
            [self = CefRefPtr<SimpleHandler>(this), browser] { self->OpenDevToolsWindow(browser); },
            Qt::QueuedConnection);
        return true;
    }
    if (key == BrowserKey::kBack || key == BrowserKey::kForward) {
        // Every browser moves through its own history.
        QMetaObject::invokeMethod(
            window_->object(),
            [browser, key] {
                if (key == BrowserKey::kBack) {
                    browser->GoBack();
                } else {
                    browser->GoForward();
                }
            },
            Qt::QueuedConnection);
        return true;
    }
    if (!isMain(browser)) {
        return OnPopupKey(browser, key);
    }
    MainPageWindow *window = window_;
    std::function<void()> action;
    switch (key) {
        case BrowserKey::kReload:
            action = [window] { window->reloadPage(false); };
            break;
        case BrowserKey::kReloadIgnoringCache:
            action = [window] { window->reloadPage(true); };
            break;
        case BrowserKey::kZoomIn:
            action = [window] { window->zoomPage(1); };
            break;
        case BrowserKey::kZoomOut:
            action = [window] { window->zoomPage(-1); };
            break;
        case BrowserKey::kZoomReset:
            action = [window] { window->zoomPage(0); };
            break;
        default:
            return false;
    }
    QMetaObject::invokeMethod(window->object(), action, Qt::QueuedConnection);
    return true;
}

// A pop-up's page gets the same keys for itself: its reload is no refresh of the site's count and
// its zoom is not remembered.
bool SimpleHandler::OnPopupKey(CefRefPtr<CefBrowser> browser, BrowserKey key) {
    std::function<void()> action;
    int zoom = 0;
    switch (key) {
        case BrowserKey::kReload:
            action = [browser] { browser->Reload(); };
            break;
        case BrowserKey::kReloadIgnoringCache:
            action = [browser] { browser->ReloadIgnoreCache(); };
            break;
        case BrowserKey::kZoomIn:
        case BrowserKey::kZoomOut:
            zoom = key == BrowserKey::kZoomIn ? 1 : -1;
            [[fallthrough]];
        case BrowserKey::kZoomReset:
            action = [self = CefRefPtr<SimpleHandler>(this), browser, zoom] {
                CefRefPtr<CefBrowserHost> host = browser->GetHost();
                const double factor =
                    zoom_steps::next(zoom_steps::factorOf(host->GetZoomLevel()), zoom);
                host->SetZoomLevel(zoom_steps::levelOf(factor));
                self->OnZoomChange(browser, host->GetZoomLevel());
            };
            break;
        default:
            return false;
    }
    QMetaObject::invokeMethod(window_->object(), action, Qt::QueuedConnection);
    return true;
}

void SimpleHandler::OnBeforeDownload(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem> item,
                                     const CefString &suggested_name,
                                     CefRefPtr<CefBeforeDownloadCallback> callback) {
    // Not continued, a download is cancelled.
    const QString name = DownloadTargets::safeName(toQString(suggested_name));
    // As in browsers: a page may start one download by itself; every further one needs the user
    // to have clicked or typed in the page since the one before.
    if (!item->HasUserGesture()) {
        if (unprompted_download_started_) {
            showNotice(QStringLiteral("已拦截网页自动下载: ") + noticeName(name));
            return;
        }
        unprompted_download_started_ = true;
    }
    if (running_downloads_ >= kMaxRunningDownloads) {
        showNotice(QStringLiteral("同时下载过多, 已拦截: ") + noticeName(name));
        return;
    }
    const QString folder = downloadFolder();
    const qint64 size = item->GetTotalBytes();
    if (folder.isEmpty() || !freeSpaceAllows(folder, size, 0)) {
        showDownloadNotice(false, name);
        return;
    }
    const QString path = download_targets_.reserve(folder, toQString(suggested_name));
    ++running_downloads_;
    received_[path] = 0;
    callback->Continue(CefString(path.toStdU16String()), false);
}

void SimpleHandler::OnDownloadUpdated(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem> item,
                                      CefRefPtr<CefDownloadItemCallback> callback) {
    const QString path = toQString(item->GetFullPath());
    if (item->IsInProgress()) {
        // At every step of every download: a fast one fills a disk quickly. Cancelling reports
        // the download's end, with the failure notice.
        const qint64 received = item->GetReceivedBytes();
        const qint64 total = item->GetTotalBytes();
        qint64 &before = received_[path];
        const qint64 step = received - before;
        before = received;
        if (!freeSpaceAllows(QFileInfo(path).absolutePath(), total >= 0 ? total - received : -1,
                             step)) {
            callback->Cancel();
        }
        return;
    }
    --running_downloads_;
    received_.erase(path);
    download_targets_.release(path);
    showDownloadNotice(item->IsComplete(), QFileInfo(path).fileName());
}

void SimpleHandler::showDownloadNotice(bool arrived, const QString &name) {
    showNotice((arrived ? QStringLiteral("已下载: ") : QStringLiteral("下载失败: ")) +
               noticeName(name));
}

void SimpleHandler::onPageWindow(CefRefPtr<CefBrowser> browser,
                                 std::function<void(PageWindow &)> action) {
    MainPageWindow *window = window_;
    if (isMain(browser)) {
        QMetaObject::invokeMethod(window->object(), [window, action] { action(*window); });
        return;
    }
    const CefWindowHandle handle = browser->GetHost()->GetWindowHandle();
    // The pop-up may close before the window's thread comes to it.
    QMetaObject::invokeMethod(window->object(), [window, handle, action] {
        if (QWidget *view = platform::widgetOfHandle(handle)) {
            action(*window->popupWindow(view->window()));
        }
    });
}

void SimpleHandler::showNotice(const QString &text) {
    MainPageWindow *window = window_;
    QMetaObject::invokeMethod(window->object(), [window, text] { window->showNotice(text); });
}

void SimpleHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
    std::lock_guard<std::mutex> lock(browser_list_mutex_);
    // Pop-ups the engine opens with this client arrive here too; only the first browser is the
    // window's own.
    if (browser_list_.empty()) {
        browser_list_.push_back(browser);
        main_browser_id_ = browser->GetIdentifier();
        // Queued: the window looks the browser up in this list, under this lock.
        MainPageWindow *window = window_;
        QMetaObject::invokeMethod(
            window->object(), [window] { window->browserCreated(); }, Qt::QueuedConnection);
    }
}

void SimpleHandler::OnShowNotification(CefRefPtr<CefBrowser>,
                                       CefRefPtr<CefNotification> notification) {
    notification_presenter_.Show(notification);
}

void SimpleHandler::OnNotificationClosed(CefRefPtr<CefBrowser>,
                                         CefRefPtr<CefNotification> notification) {
    notification_presenter_.Closed(notification);
}

void SimpleHandler::OnProtocolExecution(CefRefPtr<CefBrowser>, const CefString &url,
                                        bool &allow_os_execution) {
    allow_os_execution = false;
    external_links_.Request(toQString(url));
}

bool SimpleHandler::OnShowPermissionPrompt(CefRefPtr<CefBrowser>, uint64,
                                           const CefString &requesting_origin,
                                           uint32 requested_permissions,
                                           CefRefPtr<CefPermissionPromptCallback> callback) {
    if (requested_permissions != CEF_PERMISSION_TYPE_NOTIFICATIONS) {
        return false;
    }
    notification_permissions_.Request(toQString(requesting_origin), [callback](bool allowed) {
        callback->Continue(allowed ? CEF_PERMISSION_RESULT_ACCEPT : CEF_PERMISSION_RESULT_DENY);
    });
    return true;
}

std::vector<std::pair<CefString, bool>> SimpleHandler::GetRememberedNotificationPermissions() {
    std::vector<std::pair<CefString, bool>> remembered;
    for (const auto &[origin, allowed] : notification_permissions_.Remembered()) {
        remembered.emplace_back(CefString(origin.toStdU16String()), allowed);
    }
    return remembered;
}

void SimpleHandler::WithdrawNotifications() {
    notification_presenter_.WithdrawAll();
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
    render_recovery_.forget(browser->GetIdentifier());
    {
        std::lock_guard<std::mutex> lock(error_pages_mutex_);
        error_pages_.erase(browser->GetIdentifier());
    }
    if (empty) {
        CefQuitMessageLoop();
    }
}

void SimpleHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>, int) {
    if (!isMain(browser)) {
        return;
    }
    // The error page's own load is no sign that the failed page came back.
    if (!failedUrlShown(browser).empty()) {
        return;
    }
    retryOnWindowThread([](LoadRetry &retry) { retry.stop(); });
}

void SimpleHandler::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                ErrorCode errorCode, const CefString &errorText,
                                const CefString &failedUrl) {
    // A load the user or the page cancelled is no failure worth a page.
    if (errorCode == ERR_ABORTED) {
        return;
    }
    const std::string url = failedUrl.ToString();
    // Only the window's page is tried again: what a pop-up shows is a script's choice, not the
    // viewer's.
    const bool main = isMain(browser);
    const bool retry = main && LoadRetry::isNetworkError(errorCode);
    showErrorPage(browser, frame, url,
                  buildLoadErrorPage(url, errorText.ToString(), errorCode, retry));
    if (retry) {
        retryOnWindowThread([url](LoadRetry &r) { r.failed(url); });
    } else if (main) {
        retryOnWindowThread([](LoadRetry &r) { r.stop(); });
    }
}

void SimpleHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                              TerminationStatus status) {
    CefRefPtr<CefFrame> frame = browser->GetMainFrame();
    // A page lost while it showed the error page comes back as the page that had failed.
    std::string url = failedUrlShown(browser);
    if (url.empty()) {
        url = frame->GetURL().ToString();
    }
    const bool main = isMain(browser);
    if (render_recovery_.terminated(browser->GetIdentifier(), RenderRecovery::Clock::now()) ==
        RenderRecovery::Action::Reload) {
        if (!url.empty()) {
            frame->LoadURL(url);
        }
        onPageWindow(browser, [](PageWindow &window) {
            window.showNotice(QString::fromUtf8(kReloadedNotice));
        });
        return;
    }
    showErrorPage(browser, frame, url,
                  buildLoadErrorPage(url, terminationText(status), kRenderProcessGoneCode));
    if (main) {
        retryOnWindowThread([](LoadRetry &r) { r.stop(); });
    }
}

void SimpleHandler::OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) {
    onPageWindow(browser,
                 [](PageWindow &window) { window.showNotice(QString::fromUtf8(kBusyNotice)); });
}

void SimpleHandler::showErrorPage(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  const std::string &failedUrl, const std::string &page) {
    const std::string uri = MakeDataUri(page, "text/html");
    {
        std::lock_guard<std::mutex> lock(error_pages_mutex_);
        error_pages_[browser->GetIdentifier()] = ErrorPage{uri, failedUrl};
    }
    frame->LoadURL(uri);
}

std::string SimpleHandler::failedUrlShown(CefRefPtr<CefBrowser> browser) {
    const std::string shown = browser->GetMainFrame()->GetURL().ToString();
    if (shown.compare(0, sizeof(kDataScheme) - 1, kDataScheme) != 0) {
        return std::string();
    }
    std::lock_guard<std::mutex> lock(error_pages_mutex_);
    const auto found = error_pages_.find(browser->GetIdentifier());
    return found == error_pages_.end() ? std::string() : found->second.failedUrl;
}

void SimpleHandler::retryOnWindowThread(std::function<void(LoadRetry &)> change) {
    LoadRetry *retry = retry_.get();
    QMetaObject::invokeMethod(retry, [retry, change] { change(*retry); });
}

void SimpleHandler::ReloadPage(CefRefPtr<CefBrowser> browser, bool ignore_cache) {
    retry_->stop();
    const std::string failed = failedUrlShown(browser);
    if (failed.empty() && ignore_cache) {
        browser->ReloadIgnoreCache();
    } else if (failed.empty()) {
        browser->Reload();
    } else {
        browser->GetMainFrame()->LoadURL(failed);
    }
}

void SimpleHandler::StopRetrying() {
    retry_->stop();
}

void SimpleHandler::SetWindowMinimised(bool minimised) {
    retry_->setSuspended(minimised);
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
    OpenDevToolsWindow(browser);
    return true;
}

void SimpleHandler::OpenDevToolsWindow(CefRefPtr<CefBrowser> browser) {
    CefWindowInfo window_info;
    window_info.ex_style = 0;
    window_info.window_name = "DevTools";
    window_info.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
    // Let the window system place and size the tools.
    window_info.x = CW_USEDEFAULT;
    window_info.y = CW_USEDEFAULT;
    window_info.width = CW_USEDEFAULT;
    window_info.height = CW_USEDEFAULT;
    window_info.parent_window = 0;
    window_info.menu = nullptr;
    window_info.windowless_rendering_enabled = 0;
    // No client: the tools' browser must never enter this handler's browser list.
    browser->GetHost()->ShowDevTools(window_info, nullptr, CefBrowserSettings(), CefPoint());
}
