#ifndef BROWSER_SIMPLE_HANDLER_H_
#define BROWSER_SIMPLE_HANDLER_H_

#include <list>
#include <mutex>

#include <QElapsedTimer>

#include "browser/download_targets.h"
#include "include/cef_client.h"

class VantoroClient;

// The engine client of the main window's browser: tracks that browser and its closing, replaces
// failed loads with a page of its own and sets the pop-up and context-menu policy.
class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefDownloadHandler,
                      public CefLifeSpanHandler,
                      public CefLoadHandler,
                      public CefContextMenuHandler {
public:
    typedef std::list<CefRefPtr<CefBrowser>> BrowserList;

    explicit SimpleHandler(VantoroClient *owner);
    ~SimpleHandler() override;

    // A snapshot of the tracked browsers, each entry a reference of its own.
    BrowserList GetBrowserList();

    // CefClient
    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }

    // CefDisplayHandler
    void OnFullscreenModeChange(CefRefPtr<CefBrowser> browser, bool fullscreen) override;

    // CefDownloadHandler: into the user's download folder under a safe, unused name, a few at a
    // time, never filling the disk; a page gets one download it starts by itself. The window
    // tells the user when a download has arrived, failed or been refused.
    void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                          const CefString &suggested_name,
                          CefRefPtr<CefBeforeDownloadCallback> callback) override;
    void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                           CefRefPtr<CefDownloadItemCallback> callback) override;

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
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString &errorText, const CefString &failedUrl) override;

    // CefContextMenuHandler
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;

    void OpenDevToolsWindow(CefRefPtr<CefBrowser> browser);

private:
    void showDownloadNotice(bool arrived, const QString &name);
    void showNotice(const QString &text);

    // Changed on the engine's thread, copied on the window's thread: guarded by
    // browser_list_mutex_.
    BrowserList browser_list_;
    VantoroClient *owner_;
    // Used on the engine's thread only.
    DownloadTargets download_targets_;
    int running_downloads_ = 0;
    bool unprompted_download_started_ = false;
    QElapsedTimer free_space_checked_;
    std::mutex browser_list_mutex_;

    IMPLEMENT_REFCOUNTING(SimpleHandler);
};

#endif  // BROWSER_SIMPLE_HANDLER_H_
