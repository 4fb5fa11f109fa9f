// The private folder a download's file grows in, beside the path it is meant for: made new, open
// to this user only, named ".download-XXXXXX", and holding a lock file for as long as the download
// runs. A folder whose lock nobody holds was left by a client that was killed; another client,
// maybe with another data folder and the same download folder, holds the lock of each of its own.
#ifndef ENGINE_SRC_PARTIAL_DOWNLOAD_FOLDER_H_
#define ENGINE_SRC_PARTIAL_DOWNLOAD_FOLDER_H_

#include <memory>

#include <QString>

class QLockFile;

class PartialDownloadFolder {
public:
    // Makes the folder in parent and takes its lock; valid() tells whether that worked.
    explicit PartialDownloadFolder(const QString &parent);
    // Releases the lock and removes the folder with everything in it.
    ~PartialDownloadFolder();

    bool valid() const { return lock_ != nullptr; }
    QString path() const { return path_; }

    // Removes the folders in parent that no client holds: those with a lock file nobody holds,
    // and those without one (left by a client that had no locks, or killed between making the
    // folder and locking it) in which nothing has changed for kLocklessAgeSeconds.
    static void RemoveAbandoned(const QString &parent);

    static constexpr qint64 kLocklessAgeSeconds = 24 * 60 * 60;

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

#endif  // ENGINE_SRC_PARTIAL_DOWNLOAD_FOLDER_H_
