#ifndef ENGINE_INCLUDE_CEF_DOWNLOAD_HANDLER_H_
#define ENGINE_INCLUDE_CEF_DOWNLOAD_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_download_item.h"

class CefBeforeDownloadCallback : public virtual CefBaseRefCounted {
public:
    // Starts the download into download_path (the whole path, file name included). The engine
    // writes it under a temporary name beside that path and gives it that path only once it is
    // complete; a download that does not complete leaves neither file. Only a call made before
    // OnBeforeDownload returns counts; show_dialog is not supported.
    virtual void Continue(const CefString &download_path, bool show_dialog) = 0;
};

class CefDownloadItemCallback : public virtual CefBaseRefCounted {
public:
    virtual void Cancel() = 0;
};

// Downloads that pages start. Without a handler, or when OnBeforeDownload does not continue,
// the download is cancelled. Unfinished downloads are cancelled when the engine shuts down, and
// no further call is made for them.
class CefDownloadHandler : public virtual CefBaseRefCounted {
public:
    virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefDownloadItem> download_item,
                                  const CefString &suggested_name,
                                  CefRefPtr<CefBeforeDownloadCallback> callback) = 0;
    // Progress, and once the end: complete, cancelled or interrupted.
    virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> /*browser*/,
                                   CefRefPtr<CefDownloadItem> /*download_item*/,
                                   CefRefPtr<CefDownloadItemCallback> /*callback*/) {}
};

// Removes what downloads of clients that were killed left in folder: the engine's private
// folders of unfinished downloads that no running client holds.
void CefRemoveAbandonedDownloads(const CefString &folder);

#endif  // ENGINE_INCLUDE_CEF_DOWNLOAD_HANDLER_H_
