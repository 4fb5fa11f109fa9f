#include "browser/download_handler.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QTimer>

#include "browser/free_space_floor.h"
#include "include/cef_app.h"
#include "paths/client_paths.h"

namespace {

// Downloads running at once; a page asking for more is refused.
constexpr int kMaxRunningDownloads = 3;
constexpr int kAbandonedDownloadsDelayMs = 3000;

// How long a file name may be in a notice before its middle gives way to an ellipsis.
constexpr int kNoticeNameLength = 40;

QString toQString(const CefString &text) {
    return QString::fromStdU16String(text.ToString16());
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

DownloadHandler::DownloadHandler(std::function<void(const QString &)> notice)
    : notice_(std::move(notice)) {}

void DownloadHandler::RemoveAbandonedLater() {
    QTimer::singleShot(kAbandonedDownloadsDelayMs, [] {
        const QString folder = ClientPaths::downloadFolder();
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            CefRemoveAbandonedDownloads(CefString(folder.toStdU16String()));
        }
    });
}

void DownloadHandler::OnBeforeDownload(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem> item,
                                       const CefString &suggested_name,
                                       CefRefPtr<CefBeforeDownloadCallback> callback) {
    // Not continued, a download is cancelled.
    const QString name = DownloadTargets::safeName(toQString(suggested_name));
    // As in browsers: a page may start one download by itself; every further one needs the user
    // to have clicked or typed in the page since the one before.
    if (!item->HasUserGesture()) {
        if (unprompted_download_started_) {
            notice_(QStringLiteral("已拦截网页自动下载: ") + noticeName(name));
            return;
        }
        unprompted_download_started_ = true;
    }
    if (running_downloads_ >= kMaxRunningDownloads) {
        notice_(QStringLiteral("同时下载过多, 已拦截: ") + noticeName(name));
        return;
    }
    const QString folder = ClientPaths::usableDownloadFolder();
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

void DownloadHandler::OnDownloadUpdated(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem> item,
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

void DownloadHandler::showDownloadNotice(bool arrived, const QString &name) {
    notice_((arrived ? QStringLiteral("已下载: ") : QStringLiteral("下载失败: ")) +
            noticeName(name));
}
