#ifndef BROWSER_LOAD_RECOVERY_HANDLER_H_
#define BROWSER_LOAD_RECOVERY_HANDLER_H_

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "browser/render_recovery.h"
#include "include/cef_load_handler.h"
#include "include/cef_request_handler.h"

class LoadRetry;
class PageWindows;

// Keeps pages on screen: failed loads are replaced with a page of its own, pages come back after
// their process ended or the network failed them.
class LoadRecoveryHandler : public CefLoadHandler {
public:
    // mainBrowser gives the window's own browser, or null; the page waiting for the network is
    // loaded again in it.
    LoadRecoveryHandler(std::shared_ptr<PageWindows> windows,
                        std::function<CefRefPtr<CefBrowser>()> mainBrowser);
    ~LoadRecoveryHandler() override;

    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   int httpStatusCode) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString &errorText, const CefString &failedUrl) override;

    // The request handler's: the page is loaded again once; a second end within a minute shows
    // the error page instead.
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   CefRequestHandler::TerminationStatus status);
    // The viewer hears why the reload or home seems to do nothing yet.
    void OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser);
    // browser has closed.
    void Forget(CefRefPtr<CefBrowser> browser);

    // The window's commands, on the window's thread: see SimpleHandler.
    void ReloadPage(CefRefPtr<CefBrowser> browser, bool ignore_cache);
    void StopRetrying();
    void WatchNetwork();
    void SetWindowMinimised(bool minimised);

private:
    struct ErrorPage {
        std::string uri;
        std::string failedUrl;
    };

    void showErrorPage(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const std::string &failedUrl, const std::string &page);
    // The URL whose failure the browser's error page shows, or "" when it shows another page.
    std::string failedUrlShown(CefRefPtr<CefBrowser> browser);
    void retryOnWindowThread(std::function<void(LoadRetry &)> change);

    std::shared_ptr<PageWindows> windows_;
    // Used on the engine's thread only.
    RenderRecovery render_recovery_;
    // The error page each browser was last sent to, by identifier; written on the engine's
    // thread, read on the window's: guarded by error_pages_mutex_.
    std::map<int, ErrorPage> error_pages_;
    std::mutex error_pages_mutex_;
    // Lives on the window's thread.
    std::unique_ptr<LoadRetry> retry_;

    IMPLEMENT_REFCOUNTING(LoadRecoveryHandler);
};

#endif  // BROWSER_LOAD_RECOVERY_HANDLER_H_
