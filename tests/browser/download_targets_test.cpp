// Names and paths for downloads: whatever a server suggests stays one plain file name, and a path
// is never one that holds a file or that a running download was given.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "browser/download_targets.h"
#include "browser/free_space_floor.h"

namespace {

TEST(DownloadTargetsTest, UnsafeSuggestionsBecomePlainNames) {
    const struct {
        QString suggested;
        QString expected;
    } cases[] = {
        {QStringLiteral("直播回放.mp4"), QStringLiteral("直播回放.mp4")},
        {QStringLiteral("../../.bashrc"), QStringLiteral("bashrc")},
        {QStringLiteral("..\\..\\Windows\\evil.exe"), QStringLiteral("evil.exe")},
        {QStringLiteral("dir/"), QStringLiteral("dir")},
        {QStringLiteral("a\tb\nc\x7f\u202e.txt"), QStringLiteral("abc.txt")},
        {QStringLiteral("what?<is>*this|:\".txt"), QStringLiteral("whatisthis.txt")},
        {QStringLiteral(" name . "), QStringLiteral("name")},
        {QStringLiteral("CON"), QStringLiteral("_CON")},
        {QStringLiteral("lpt1.tar.gz"), QStringLiteral("_lpt1.tar.gz")},
        {QStringLiteral("CONSOLE.txt"), QStringLiteral("CONSOLE.txt")},
        {QString(), QStringLiteral("download")},
        {QStringLiteral("../.."), QStringLiteral("download")},
        {QStringLiteral("\x01\x02"), QStringLiteral("download")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DownloadTargets::safeName(c.suggested), c.expected) << c.suggested.toStdString();
    }
}

TEST(DownloadTargetsTest, LongNamesAreCutKeepingExtensionAndWholeCharacters) {
    const QString ascii = DownloadTargets::safeName(QString(300, QLatin1Char('x')) + ".txt");
    EXPECT_EQ(ascii, QString(DownloadTargets::kMaxNameBytes - 4, QLatin1Char('x')) + ".txt");

    // Three bytes a character, one character of four bytes (a surrogate pair) at the cut.
    const QString wide = DownloadTargets::safeName(QString(65, QChar(0x76f4)) +
                                                   QStringLiteral("\U0001F600") + "abc.mp4");
    EXPECT_LE(wide.toUtf8().size(), DownloadTargets::kMaxNameBytes);
    EXPECT_TRUE(wide.endsWith(QStringLiteral("\U0001F600") + "ab.mp4") ||
                wide.endsWith(QString(QChar(0x76f4)) + ".mp4"))
        << wide.toStdString();
    EXPECT_FALSE(wide.contains(QChar(QChar::ReplacementCharacter)));
    EXPECT_EQ(wide.toUtf8(), QString::fromUtf8(wide.toUtf8()).toUtf8());

    // A page's megabyte of name, half of it dots to strip, is cut without stalling the window.
    const QString huge = QString(500000, QLatin1Char('.')) + QString(500000, QChar(0x76f4)) +
                         QStringLiteral("\U0001F600.txt");
    EXPECT_EQ(DownloadTargets::safeName(huge), QString(65, QChar(0x76f4)) + ".txt");
}

TEST(DownloadTargetsTest, PathsTakeNeitherFilesNorOtherDownloads) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile existing(QDir(folder.path()).filePath("clip.mp4"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    DownloadTargets targets;
    const QString first = targets.reserve(folder.path(), QStringLiteral("clip.mp4"));
    const QString second = targets.reserve(folder.path(), QStringLiteral("clip.mp4"));
    EXPECT_EQ(first, QDir(folder.path()).filePath("clip (1).mp4"));
    EXPECT_EQ(second, QDir(folder.path()).filePath("clip (2).mp4"));
    EXPECT_EQ(targets.reserve(folder.path(), QStringLiteral("../notes")),
              QDir(folder.path()).filePath("notes"));

    targets.release(first);
    EXPECT_EQ(targets.reserve(folder.path(), QStringLiteral("clip.mp4")), first);
}

// A 200 MiB disk keeps 10 MiB free. A download brings data in steps between two looks at the disk:
// it stops while the next step still fits above the floor, or as soon as its known rest does not.
TEST(FreeSpaceFloorTest, KeptWhileWritingWithTheNextStepInView) {
    constexpr qint64 MiB = 1024 * 1024;
    const qint64 disk = 200 * MiB;
    EXPECT_EQ(FreeSpaceFloor::of(disk), 10 * MiB);
    EXPECT_EQ(FreeSpaceFloor::of(qint64(1) << 40), FreeSpaceFloor::kMaximum);

    // Of unknown size, 6 MiB a step: going on at 16 MiB free, stopped at 15.
    EXPECT_TRUE(FreeSpaceFloor::allows(16 * MiB, disk, -1, 6 * MiB));
    EXPECT_FALSE(FreeSpaceFloor::allows(15 * MiB, disk, -1, 6 * MiB));
    // Of known size: the whole rest must fit, however small the step.
    EXPECT_FALSE(FreeSpaceFloor::allows(50 * MiB, disk, 41 * MiB, 1));
    EXPECT_TRUE(FreeSpaceFloor::allows(50 * MiB, disk, 40 * MiB, 30 * MiB));
    // At the start, a file of known size that would not fit is not begun.
    EXPECT_FALSE(FreeSpaceFloor::allows(12 * MiB, disk, 3 * MiB, 0));
    // A disk that tells nothing stops nothing.
    EXPECT_TRUE(FreeSpaceFloor::allows(0, 0, -1, 6 * MiB));
}

}  // namespace
