#include "src/download_impl.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineProfile>

#include "src/browser_impl.h"
#include "src/engine_context.h"

namespace {

std::vector<CefRefPtr<DownloadImpl>> &activeDownloads() {
    static std::vector<CefRefPtr<DownloadImpl>> downloads;
    return downloads;
}

bool shutting_down = false;

// The temporary name beside path: never a file that is already there.
QString partPathFor(const QString &path) {
    QString part = path + QLatin1String(".part");
    for (int n = 1; QFileInfo::exists(part) || QFileInfo(part).isSymLink(); ++n) {
        part = path + QLatin1Char('.') + QString::number(n) + QLatin1String(".part");
    }
    return part;
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
    handler->OnBeforeDownload(browser.get(), download.get(),
                              CefString(request->suggestedFileName().toStdU16String()),
                              download.get());
    if (download->state_ == State::kAsking) {
        // Not continued while the engine asked: the engine cancels it.
        download->state_ = State::kCanceled;
        request->cancel();
    }
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
    part_path_ = partPathFor(path_);
    const QFileInfo part(part_path_);
    request_->setDownloadDirectory(part.absolutePath());
    request_->setDownloadFileName(part.fileName());
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
    // Never over a file that appeared at the chosen path meanwhile.
    if (state == State::kComplete && !QFile::rename(part_path_, path_)) {
        state = State::kInterrupted;
    }
    state_ = state;
    if (state != State::kComplete) {
        if (request_) {
            // Also for an interrupted download: the engine would keep its partial file and
            // resume it by itself later, as a new download.
            request_->cancel();
        }
        QFile::remove(part_path_);
    }
    if (!shutting_down) {
        Report();
    }
}

void DownloadImpl::Report() {
    handler_->OnDownloadUpdated(browser_, this, this);
}

void DownloadImpl::CancelAll() {
    shutting_down = true;
    const std::vector<CefRefPtr<DownloadImpl>> downloads = activeDownloads();
    for (const CefRefPtr<DownloadImpl> &download : downloads) {
        download->Finish(State::kCanceled);
    }
}
