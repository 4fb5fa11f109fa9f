// One download a page started: the item its client's download handler sees and the callbacks the
// handler answers through. The file is written in a private folder beside the chosen path and
// takes that path (or the next free name) only when complete; a download that fails or is
// cancelled, also by the engine's shutdown, leaves no file behind.
#ifndef ENGINE_SRC_DOWNLOAD_IMPL_H_
#define ENGINE_SRC_DOWNLOAD_IMPL_H_

#include <memory>

#include <QPointer>
#include <QString>
#include <QWebEngineDownloadRequest>

#include "include/cef_download_handler.h"

class EngineContext;
class PartialDownloadFolder;
class QWebEngineProfile;

class DownloadImpl : public CefDownloadItem,
                     public CefBeforeDownloadCallback,
                     public CefDownloadItemCallback {
public:
    // Sends the profile's downloads to the download handlers of the browsers that start them,
    // until the context shuts down.
    static void Watch(QWebEngineProfile *profile, EngineContext *context);
    // After the profile has gone: the folders of the downloads the shut-down cancelled.
    static void RemoveCancelledFolders();

    // CefDownloadItem
    bool IsInProgress() override { return state_ == State::kInProgress; }
    bool IsComplete() override { return state_ == State::kComplete; }
    bool IsCanceled() override { return state_ == State::kCanceled; }
    CefString GetFullPath() override;
    bool HasUserGesture() override { return user_gesture_; }
    int64 GetReceivedBytes() override;
    int64 GetTotalBytes() override;

    // CefBeforeDownloadCallback
    void Continue(const CefString &download_path, bool show_dialog) override;

    // CefDownloadItemCallback
    void Cancel() override;

private:
    enum class State { kAsking, kInProgress, kComplete, kInterrupted, kCanceled };

    DownloadImpl(QWebEngineDownloadRequest *request, CefRefPtr<CefBrowser> browser,
                 CefRefPtr<CefDownloadHandler> handler);
    ~DownloadImpl() override;

    static void OnRequested(QWebEngineDownloadRequest *request);
    static void CancelAll();

    void OnStateChanged(QWebEngineDownloadRequest::DownloadState state);
    // Ends the download in state, its file in place only when complete.
    void Finish(State state);
    // The complete file to path_, or to the next free name, which path_ then holds.
    bool MoveIntoPlace();
    void Report();

    QPointer<QWebEngineDownloadRequest> request_;
    const quint32 id_;
    CefRefPtr<CefBrowser> browser_;
    CefRefPtr<CefDownloadHandler> handler_;
    State state_ = State::kAsking;
    bool user_gesture_ = false;
    QString path_;
    std::unique_ptr<PartialDownloadFolder> folder_;
    QString private_folder_;
    QString part_path_;

    IMPLEMENT_REFCOUNTING(DownloadImpl);
};

#endif  // ENGINE_SRC_DOWNLOAD_IMPL_H_
