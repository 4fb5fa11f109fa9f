#include "src/partial_download_folder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include "include/cef_download_handler.h"
#include "platform/platform.h"

namespace {

const char kPattern[] = "/.download-XXXXXX";
const char kPrefix[] = ".download-";
// Not hidden: the folder's removal keeps hidden entries.
const char kLockName[] = "download.lock";

std::string nativePath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

// The latest change to the folder or anything directly in it.
QDateTime lastChange(const QString &folder) {
    QDateTime latest = QFileInfo(folder).lastModified();
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QDateTime changed = QFileInfo(entries.next()).lastModified();
        latest = qMax(latest, changed);
    }
    return latest;
}

}  // namespace

PartialDownloadFolder::PartialDownloadFolder(const QString &parent) {
    QTemporaryDir folder(parent + QLatin1String(kPattern));
    if (!folder.isValid()) {
        return;
    }
    auto lock = std::make_unique<QLockFile>(folder.filePath(QLatin1String(kLockName)));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return;
    }
    folder.setAutoRemove(false);
    path_ = folder.path();
    lock_ = std::move(lock);
}

PartialDownloadFolder::~PartialDownloadFolder() {
    if (!lock_) {
        return;
    }
    lock_.reset();
    // The engine removes its files of a cancelled download in its own time, and may not have
    // yet; nothing but this download's files is ever in the folder.
    QDir(path_).removeRecursively();
}

void PartialDownloadFolder::RemoveAbandoned(const QString &parent) {
    const QDateTime oldest = QDateTime::currentDateTime().addSecs(-kLocklessAgeSeconds);
    QDirIterator folders(parent, {QLatin1String(kPrefix) + QLatin1Char('*')},
                         QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    while (folders.hasNext()) {
        const QString folder = folders.next();
        const QString lock = QDir(folder).filePath(QLatin1String(kLockName));
        const bool abandoned = QFileInfo::exists(lock)
                                   ? platform::removeUnheldLockFile(nativePath(lock))
                                   : lastChange(folder) < oldest;
        if (abandoned) {
            platform::removeFolder(nativePath(folder), std::string());
        }
    }
}

void CefRemoveAbandonedDownloads(const CefString &folder) {
    PartialDownloadFolder::RemoveAbandoned(QString::fromStdU16String(folder.ToString16()));
}
