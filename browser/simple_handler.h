#ifndef BROWSER_SIMPLE_HANDLER_H_
#define BROWSER_SIMPLE_HANDLER_H_

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "browser/browser_keys.h"
#include "browser/download_targets.h"
#include "browser/external_links.h"
#include "browser/notification_permissions.h"
#include "browser/notification_presenter.h"
#include "browser/render_recovery.h"
#include "include/cef_client.h"

class LoadRetry;
class MainPageWindow;
class PageWindow;

// The engine client of the main window's browser: tracks that browser and its closing, replaces
// failed loads with a page of its own, brings pages back after their process ended or the network
// failed them, and sets the pop-up and context-menu policy.
class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefDownloadHandler,
                      public CefKeyboardHandler,
                      public CefLifeSpanHandler,
                      public CefLoadHandler,
                      public CefContextMenuHandler,
                      public CefNotificationHandler,
                      public CefPermissionHandler,
                      public CefRequestHandler {
public:
    typedef std::list<CefRefPtr<CefBrowser>> BrowserList;

    // window outlives the handler's calls into it: they are queued to its object().
    explicit SimpleHandler(MainPageWindow *window);
    ~SimpleHandler() override;

    // A snapshot of the tracked browsers, each entry a reference of its own.
    BrowserList GetBrowserList();
    // The window's own browser while it is open, else null. Pop-ups are never it.
    CefRefPtr<CefBrowser> MainBrowser();

    // CefClient
    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
    CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefNotificationHandler> GetNotificationHandler() override { return this; }
    CefRefPtr<CefPermissionHandler> GetPermissionHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

    // CefDisplayHandler
    void OnFullscreenModeChange(CefRefPtr<CefBrowser> browser, bool fullscreen) override;
    void OnZoomChange(CefRefPtr<CefBrowser> browser, double zoom_level) override;

    // CefDownloadHandler: into the user's download folder under a safe, unused name, a few at a
    // time, never filling the disk; a page gets one download it starts by itself. The window
    // tells the user when a download has arrived, failed or been refused.
    void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                          const CefString &suggested_name,
                          CefRefPtr<CefBeforeDownloadCallback> callback) override;
    void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                           CefRefPtr<CefDownloadItemCallback> callback) override;

    // CefKeyboardHandler: the keys viewers know from browsers, in the window's browser. Full
    // screen's keys come before the page; the others only when the page left them alone.
    bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                       CefEventHandle os_event, bool *is_keyboard_shortcut) override;
    bool OnKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                    CefEventHandle os_event) override;

    // CefLifeSpanHandler
    bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const CefString &target_url, const CefString &target_frame_name,
                       WindowOpenDisposition target_disposition, bool user_gesture,
                       const CefPopupFeatures &popupFeatures, CefWindowInfo &windowInfo,
                       CefRefPtr<CefClient> &client, CefBrowserSettings &settings,
                       CefRefPtr<CefDictionaryValue> &extra_info,
                       bool *no_javascript_access) override;
    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
    bool DoClose(CefRefPtr<CefBrowser> browser) override;
    void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

    // CefLoadHandler
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   int httpStatusCode) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString &errorText, const CefString &failedUrl) override;

    // CefContextMenuHandler
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;

    // CefNotificationHandler: on the desktop; see NotificationPresenter.
    void OnShowNotification(CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefNotification> notification) override;
    void OnNotificationClosed(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefNotification> notification) override;

    // CefPermissionHandler: notifications as the viewer allows them per origin, asked once.
    bool OnShowPermissionPrompt(CefRefPtr<CefBrowser> browser, uint64 prompt_id,
                                const CefString &requesting_origin, uint32 requested_permissions,
                                CefRefPtr<CefPermissionPromptCallback> callback) override;
    std::vector<std::pair<CefString, bool>> GetRememberedNotificationPermissions() override;

    // CefRequestHandler: the page is loaded again once; a second end within a minute shows the
    // error page instead.
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   TerminationStatus status) override;
    // The viewer hears why the reload or home seems to do nothing yet.
    void OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) override;
    // A link only a desktop's handler could open: never by itself; the viewer is asked once per
    // scheme, and the handler gets the environment the client was started with.
    void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString &url,
                             bool &allow_os_execution) override;

    void OpenDevToolsWindow(CefRefPtr<CefBrowser> browser);
    // The window is closing: its notifications leave the desktop.
    void WithdrawNotifications();

    // The window's commands, on the window's thread. Reloading a browser that shows the error
    // page loads the page that failed; either command ends the retries of a failed page.
    void ReloadPage(CefRefPtr<CefBrowser> browser, bool ignore_cache = false);
    void StopRetrying();
    // From now on a page waiting for the network is tried again as soon as the system says the
    // network is back, where it can tell. Asked for once the window shows: the system's network
    // backend takes a while to load and the first frame does not need it.
    void WatchNetwork();
    // Failed pages are not retried while the window is minimised.
    void SetWindowMinimised(bool minimised);

private:
    struct ErrorPage {
        std::string uri;
        std::string failedUrl;
    };

    void showDownloadNotice(bool arrived, const QString &name);
    bool isMain(CefRefPtr<CefBrowser> browser) const;
    // Runs action on the window's thread with the window of browser, a pop-up's own if it is
    // still there.
    void onPageWindow(CefRefPtr<CefBrowser> browser, std::function<void(PageWindow &)> action);
    // The browser keys in a pop-up's page, after the page left them alone.
    bool OnPopupKey(CefRefPtr<CefBrowser> browser, BrowserKey key);
    void showErrorPage(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const std::string &failedUrl, const std::string &page);
    // The URL whose failure the browser's error page shows, or "" when it shows another page.
    std::string failedUrlShown(CefRefPtr<CefBrowser> browser);
    void retryOnWindowThread(std::function<void(LoadRetry &)> change);
    void showNotice(const QString &text);

    // Changed on the engine's thread, copied on the window's thread: guarded by
    // browser_list_mutex_.
    BrowserList browser_list_;
    MainPageWindow *window_;
    // The first browser's identifier, kept once it has closed: a pop-up left open stays one.
    std::atomic<int> main_browser_id_{0};
    // Used on the engine's thread only.
    DownloadTargets download_targets_;
    NotificationPermissions notification_permissions_;
    ExternalLinks external_links_;
    NotificationPresenter notification_presenter_;
    RenderRecovery render_recovery_;
    int running_downloads_ = 0;
    bool unprompted_download_started_ = false;
    // Bytes each running download had at its last step, by path.
    std::map<QString, qint64> received_;
    std::mutex browser_list_mutex_;
    // The error page each browser was last sent to, by identifier; written on the engine's
    // thread, read on the window's: guarded by error_pages_mutex_.
    std::map<int, ErrorPage> error_pages_;
    std::mutex error_pages_mutex_;
    // Lives on the window's thread.
    std::unique_ptr<LoadRetry> retry_;

    IMPLEMENT_REFCOUNTING(SimpleHandler);
};

#endif  // BROWSER_SIMPLE_HANDLER_H_
