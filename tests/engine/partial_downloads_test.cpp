// The private folders of unfinished downloads: a killed client's go at the next start, a running
// client's stay, whichever data folder it has.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "include/cef_download_handler.h"
#include "src/partial_download_folder.h"

namespace {

void writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void age(const QString &path, qint64 seconds) {
    const time_t then = time(nullptr) - seconds;
    const utimbuf times{then, then};
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0);
}

TEST(PartialDownloadsTest, OnlyFoldersNoClientHoldsAreRemoved) {
    QTemporaryDir downloads;
    const QDir folder(downloads.path());
    // A killed client's: its lock file stays, held by nobody.
    ASSERT_TRUE(folder.mkdir(".download-Killed"));
    writeFile(folder.filePath(".download-Killed/download.lock"), "4242\nvantoro-client\n");
    writeFile(folder.filePath(".download-Killed/film.mp4"), QByteArray(4096, 'x'));
    // A running client's, made the way the engine makes them.
    PartialDownloadFolder running(downloads.path());
    ASSERT_TRUE(running.valid());
    writeFile(QDir(running.path()).filePath("film.mp4"), "x");
    // Without a lock: just made by a client about to lock it, or left long ago.
    ASSERT_TRUE(folder.mkdir(".download-Fresh"));
    ASSERT_TRUE(folder.mkdir(".download-Old"));
    writeFile(folder.filePath(".download-Old/film.mp4"), "x");
    age(folder.filePath(".download-Old/film.mp4"), PartialDownloadFolder::kLocklessAgeSeconds + 60);
    age(folder.filePath(".download-Old"), PartialDownloadFolder::kLocklessAgeSeconds + 60);
    // The viewer's own files.
    ASSERT_TRUE(folder.mkdir("download-Mine"));
    writeFile(folder.filePath("download-Mine/download.lock"), "");

    CefRemoveAbandonedDownloads(CefString(downloads.path().toStdU16String()));

    EXPECT_FALSE(folder.exists(".download-Killed"));
    EXPECT_FALSE(folder.exists(".download-Old"));
    EXPECT_TRUE(QDir(running.path()).exists("film.mp4"));
    EXPECT_TRUE(folder.exists(".download-Fresh"));
    EXPECT_TRUE(folder.exists("download-Mine/download.lock"));
}

TEST(PartialDownloadsTest, AFinishedDownloadTakesItsFolderAlong) {
    QTemporaryDir downloads;
    QString path;
    {
        PartialDownloadFolder folder(downloads.path());
        ASSERT_TRUE(folder.valid());
        path = folder.path();
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith(".download-"));
        writeFile(QDir(path).filePath("film.mp4"), "x");
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace
