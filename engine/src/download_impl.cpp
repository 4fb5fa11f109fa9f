#include "src/download_impl.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineProfile>

#include "platform/platform.h"
#include "src/browser_impl.h"
#include "src/engine_context.h"
#include "src/partial_download_folder.h"

namespace {

std::vector<CefRefPtr<DownloadImpl>> &activeDownloads() {
    static std::vector<CefRefPtr<DownloadImpl>> downloads;
    return downloads;
}

bool shutting_down = false;

// Folders of downloads cancelled as the engine shuts down. The engine finishes a cancel on its
// own threads and makes a download's folder anew if its file was not yet created, so they are
// removed only once the profile has gone.
std::vector<std::unique_ptr<PartialDownloadFolder>> &cancelledFolders() {
    static std::vector<std::unique_ptr<PartialDownloadFolder>> folders;
    return folders;
}

// How many other names a finished download tries when its own has been taken meanwhile.
constexpr int kMaxOtherNames = 1000;

// "name (n).ext" beside path, for n >= 1.
QString numberedPath(const QString &path, int n) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        dot = name.size();
    }
    return info.dir().filePath(
        QStringLiteral("%1 (%2)%3").arg(name.left(dot)).arg(n).arg(name.mid(dot)));
}

}  // namespace

void DownloadImpl::Watch(QWebEngineProfile *profile, EngineContext *context) {
    shutting_down = false;
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile, &OnRequested);
    context->addShutdownHook(&CancelAll);
}

DownloadImpl::DownloadImpl(QWebEngineDownloadRequest *request, CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefDownloadHandler> handler)
    : request_(request), id_(request->id()), browser_(browser), handler_(handler) {}

void DownloadImpl::OnRequested(QWebEngineDownloadRequest *request) {
    // The engine asks again for a download whose transfer broke off, to start it over. A broken
    // transfer is a failed download here.
    for (const CefRefPtr<DownloadImpl> &active : activeDownloads()) {
        if (active->id_ == request->id()) {
            request->cancel();
            active->Finish(State::kInterrupted);
            return;
        }
    }
    CefRefPtr<BrowserImpl> browser;
    for (const CefRefPtr<BrowserImpl> &open : BrowserImpl::OpenBrowsers()) {
        if (open->page() == request->page()) {
            browser = open;
        }
    }
    CefRefPtr<CefClient> client = browser ? browser->GetClient() : nullptr;
    CefRefPtr<CefDownloadHandler> handler = client ? client->GetDownloadHandler() : nullptr;
    if (!handler || shutting_down) {
        request->cancel();
        return;
    }
    CefRefPtr<DownloadImpl> download(new DownloadImpl(request, browser.get(), handler));
    download->user_gesture_ = browser->TakeUserInput();
    handler->OnBeforeDownload(browser.get(), download.get(),
                              CefString(request->suggestedFileName().toStdU16String()),
                              download.get());
    if (download->state_ == State::kAsking) {
        // Not continued while the engine asked: the engine cancels it.
        download->state_ = State::kCanceled;
        request->cancel();
    }
}

DownloadImpl::~DownloadImpl() = default;

int64 DownloadImpl::GetReceivedBytes() {
    return request_ ? request_->receivedBytes() : 0;
}

int64 DownloadImpl::GetTotalBytes() {
    return request_ ? request_->totalBytes() : -1;
}

CefString DownloadImpl::GetFullPath() {
    return CefString(path_.toStdU16String());
}

void DownloadImpl::Continue(const CefString &download_path, bool) {
    if (state_ != State::kAsking || !request_) {
        return;
    }
    path_ = QDir::cleanPath(QString::fromStdU16String(download_path.ToString16()));
    if (path_.isEmpty()) {
        path_ = QDir(request_->downloadDirectory()).filePath(request_->downloadFileName());
    }
    // The file grows in a folder of its own, made new beside the chosen path (on its file system)
    // and open to this user only: no other file or link can be at its name when the engine opens
    // it.
    folder_ = std::make_unique<PartialDownloadFolder>(QFileInfo(path_).absolutePath());
    if (!folder_->valid()) {
        folder_.reset();
        Finish(State::kInterrupted);
        return;
    }
    private_folder_ = folder_->path();
    part_path_ = QDir(private_folder_).filePath(QFileInfo(path_).fileName());
    request_->setDownloadDirectory(private_folder_);
    request_->setDownloadFileName(QFileInfo(path_).fileName());
    state_ = State::kInProgress;
    activeDownloads().push_back(this);
    QObject::connect(
        request_, &QWebEngineDownloadRequest::stateChanged, request_,
        [this](QWebEngineDownloadRequest::DownloadState state) { OnStateChanged(state); });
    QObject::connect(request_, &QWebEngineDownloadRequest::receivedBytesChanged, request_, [this] {
        if (state_ == State::kInProgress) {
            Report();
        }
    });
    request_->accept();
}

void DownloadImpl::Cancel() {
    if (state_ == State::kInProgress) {
        Finish(State::kCanceled);
    }
}

void DownloadImpl::OnStateChanged(QWebEngineDownloadRequest::DownloadState state) {
    if (state_ != State::kInProgress) {
        return;
    }
    switch (state) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            Finish(State::kComplete);
            break;
        case QWebEngineDownloadRequest::DownloadCancelled:
            Finish(State::kCanceled);
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            Finish(State::kInterrupted);
            break;
        case QWebEngineDownloadRequest::DownloadRequested:
        case QWebEngineDownloadRequest::DownloadInProgress:
            break;
    }
}

void DownloadImpl::Finish(State state) {
    CefRefPtr<DownloadImpl> self(this);
    std::vector<CefRefPtr<DownloadImpl>> &downloads = activeDownloads();
    for (auto it = downloads.begin(); it != downloads.end(); ++it) {
        if (it->get() == this) {
            downloads.erase(it);
            break;
        }
    }
    if (request_) {
        // Cancelling below reports back through these.
        QObject::disconnect(request_, nullptr, request_, nullptr);
    }
    if (state == State::kComplete && !MoveIntoPlace()) {
        state = State::kInterrupted;
    }
    state_ = state;
    if (state != State::kComplete && request_) {
        // Also for an interrupted download: the engine would keep its partial file and resume it
        // by itself later, as a new download.
        request_->cancel();
    }
    if (shutting_down && folder_) {
        cancelledFolders().push_back(std::move(folder_));
    }
    folder_.reset();
    if (!shutting_down) {
        Report();
    }
}

bool DownloadImpl::MoveIntoPlace() {
    // Never over a file or link that appeared at the chosen path meanwhile: the next free name
    // instead.
    for (int n = 0; n <= kMaxOtherNames; ++n) {
        const QString target = n == 0 ? path_ : numberedPath(path_, n);
        switch (platform::moveWithoutReplacing(QFile::encodeName(part_path_).toStdString(),
                                               QFile::encodeName(target).toStdString())) {
            case platform::MoveResult::kMoved:
                path_ = target;
                return true;
            case platform::MoveResult::kExists:
                break;
            case platform::MoveResult::kFailed:
                return false;
        }
    }
    return false;
}

void DownloadImpl::Report() {
    handler_->OnDownloadUpdated(browser_, this, this);
}

void DownloadImpl::RemoveCancelledFolders() {
    cancelledFolders().clear();
}

void DownloadImpl::CancelAll() {
    shutting_down = true;
    const std::vector<CefRefPtr<DownloadImpl>> downloads = activeDownloads();
    for (const CefRefPtr<DownloadImpl> &download : downloads) {
        download->Finish(State::kCanceled);
    }
}
