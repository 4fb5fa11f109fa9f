#ifndef BROWSER_DOWNLOAD_HANDLER_H_
#define BROWSER_DOWNLOAD_HANDLER_H_

#include <QString>

#include <functional>
#include <map>

#include "browser/download_targets.h"
#include "include/cef_download_handler.h"

// Downloads into the user's download folder under a safe, unused name, a few at a time, never
// filling the disk; a page gets one download it starts by itself. The viewer hears when a
// download has arrived, failed or been refused. Used on the engine's thread.
class DownloadHandler : public CefDownloadHandler {
public:
    // notice shows a text to the viewer; it is called on the engine's thread.
    explicit DownloadHandler(std::function<void(const QString &)> notice);

    void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                          const CefString &suggested_name,
                          CefRefPtr<CefBeforeDownloadCallback> callback) override;
    void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                           CefRefPtr<CefDownloadItemCallback> callback) override;

    // A while after the window is up, what killed clients left in the download folder goes.
    static void RemoveAbandonedLater();

private:
    void showDownloadNotice(bool arrived, const QString &name);

    std::function<void(const QString &)> notice_;
    DownloadTargets download_targets_;
    int running_downloads_ = 0;
    bool unprompted_download_started_ = false;
    // Bytes each running download had at its last step, by path.
    std::map<QString, qint64> received_;

    IMPLEMENT_REFCOUNTING(DownloadHandler);
};

#endif  // BROWSER_DOWNLOAD_HANDLER_H_
