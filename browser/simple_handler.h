#ifndef BROWSER_SIMPLE_HANDLER_H_
#define BROWSER_SIMPLE_HANDLER_H_

#include <list>
#include <memory>
#include <mutex>

#include "browser/download_handler.h"
#include "browser/external_links.h"
#include "browser/key_handler.h"
#include "browser/load_recovery_handler.h"
#include "browser/notification_handler.h"
#include "include/cef_client.h"

class MainPageWindow;
class PageWindows;

// The engine client of the main window's browser: tracks that browser and its closing, and sets
// the pop-up and context-menu policy. Downloads, keys, notifications and bringing pages back are
// its parts', which it hands the engine as it asks for them.
class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefLifeSpanHandler,
                      public CefContextMenuHandler,
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
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return downloads_; }
    CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override { return keys_; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return recovery_; }
    CefRefPtr<CefNotificationHandler> GetNotificationHandler() override { return notifications_; }
    CefRefPtr<CefPermissionHandler> GetPermissionHandler() override { return notifications_; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

    // CefDisplayHandler: full screen and zoom go to the browser's window, a pop-up's own.
    void OnFullscreenModeChange(CefRefPtr<CefBrowser> browser, bool fullscreen) override;
    void OnZoomChange(CefRefPtr<CefBrowser> browser, double zoom_level) override;
    void OnPictureInPictureModeChange(CefRefPtr<CefBrowser> browser, bool active) override;

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

    // CefContextMenuHandler
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;

    // CefRequestHandler: an ended or stuck page process is LoadRecoveryHandler's.
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   TerminationStatus status) override;
    void OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) override;
    // A link only a desktop's handler could open: never by itself; the viewer is asked once per
    // scheme, and the handler gets the environment the client was started with.
    void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString &url,
                             bool &allow_os_execution) override;

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
    // Changed on the engine's thread, copied on the window's thread: guarded by
    // browser_list_mutex_.
    BrowserList browser_list_;
    std::mutex browser_list_mutex_;
    std::shared_ptr<PageWindows> windows_;
    // Used on the engine's thread only.
    ExternalLinks external_links_;
    CefRefPtr<DownloadHandler> downloads_;
    CefRefPtr<KeyHandler> keys_;
    CefRefPtr<NotificationHandler> notifications_;
    CefRefPtr<LoadRecoveryHandler> recovery_;

    IMPLEMENT_REFCOUNTING(SimpleHandler);
};

#endif  // BROWSER_SIMPLE_HANDLER_H_
