#include "browser/load_recovery_handler.h"

#include <QNetworkInformation>
#include <QString>

#include "browser/load_error_page.h"
#include "browser/load_retry.h"
#include "browser/make_data_uri.h"
#include "browser/page_window.h"
#include "browser/page_windows.h"

namespace {

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

}  // namespace

LoadRecoveryHandler::LoadRecoveryHandler(std::shared_ptr<PageWindows> windows,
                                         std::function<CefRefPtr<CefBrowser>()> mainBrowser)
    : windows_(std::move(windows)) {
    retry_.reset(new LoadRetry([mainBrowser](const std::string &url) {
        if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
            browser->GetMainFrame()->LoadURL(url);
        }
    }));
}

LoadRecoveryHandler::~LoadRecoveryHandler() = default;

void LoadRecoveryHandler::WatchNetwork() {
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
}

void LoadRecoveryHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>, int) {
    if (!windows_->isMain(browser)) {
        return;
    }
    // The error page's own load is no sign that the failed page came back.
    if (!failedUrlShown(browser).empty()) {
        return;
    }
    retryOnWindowThread([](LoadRetry &retry) { retry.stop(); });
}

void LoadRecoveryHandler::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      ErrorCode errorCode, const CefString &errorText,
                                      const CefString &failedUrl) {
    // A load the user or the page cancelled is no failure worth a page.
    if (errorCode == ERR_ABORTED) {
        return;
    }
    const std::string url = failedUrl.ToString();
    // Only the window's page is tried again: what a pop-up shows is a script's choice, not the
    // viewer's.
    const bool main = windows_->isMain(browser);
    const bool retry = main && LoadRetry::isNetworkError(errorCode);
    showErrorPage(browser, frame, url,
                  buildLoadErrorPage(url, errorText.ToString(), errorCode, retry));
    if (retry) {
        retryOnWindowThread([url](LoadRetry &r) { r.failed(url); });
    } else if (main) {
        retryOnWindowThread([](LoadRetry &r) { r.stop(); });
    }
}

void LoadRecoveryHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                                    CefRequestHandler::TerminationStatus status) {
    CefRefPtr<CefFrame> frame = browser->GetMainFrame();
    // A page lost while it showed the error page comes back as the page that had failed.
    std::string url = failedUrlShown(browser);
    if (url.empty()) {
        url = frame->GetURL().ToString();
    }
    const bool main = windows_->isMain(browser);
    if (render_recovery_.terminated(browser->GetIdentifier(), RenderRecovery::Clock::now()) ==
        RenderRecovery::Action::Reload) {
        if (!url.empty()) {
            frame->LoadURL(url);
        }
        windows_->post(browser, [](PageWindow &window) {
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

void LoadRecoveryHandler::OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) {
    windows_->post(browser,
                   [](PageWindow &window) { window.showNotice(QString::fromUtf8(kBusyNotice)); });
}

void LoadRecoveryHandler::showErrorPage(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                        const std::string &failedUrl, const std::string &page) {
    const std::string uri = MakeDataUri(page, "text/html");
    {
        std::lock_guard<std::mutex> lock(error_pages_mutex_);
        error_pages_[browser->GetIdentifier()] = ErrorPage{uri, failedUrl};
    }
    frame->LoadURL(uri);
}

std::string LoadRecoveryHandler::failedUrlShown(CefRefPtr<CefBrowser> browser) {
    const std::string shown = browser->GetMainFrame()->GetURL().ToString();
    if (shown.compare(0, sizeof(kDataScheme) - 1, kDataScheme) != 0) {
        return std::string();
    }
    std::lock_guard<std::mutex> lock(error_pages_mutex_);
    const auto found = error_pages_.find(browser->GetIdentifier());
    return found == error_pages_.end() ? std::string() : found->second.failedUrl;
}

void LoadRecoveryHandler::retryOnWindowThread(std::function<void(LoadRetry &)> change) {
    LoadRetry *retry = retry_.get();
    QMetaObject::invokeMethod(retry, [retry, change] { change(*retry); });
}

void LoadRecoveryHandler::ReloadPage(CefRefPtr<CefBrowser> browser, bool ignore_cache) {
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

void LoadRecoveryHandler::StopRetrying() {
    retry_->stop();
}

void LoadRecoveryHandler::SetWindowMinimised(bool minimised) {
    retry_->setSuspended(minimised);
}

void LoadRecoveryHandler::Forget(CefRefPtr<CefBrowser> browser) {
    render_recovery_.forget(browser->GetIdentifier());
    std::lock_guard<std::mutex> lock(error_pages_mutex_);
    error_pages_.erase(browser->GetIdentifier());
}
