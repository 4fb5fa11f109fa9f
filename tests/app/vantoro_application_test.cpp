#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/vantoro_application.h"

namespace {

TEST(VantoroApplicationTest, FirstStartLeavesAnEmptyMarkerInTheWorkingFolderAndLaterStartsKeepIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString marker = dir.filePath(QStringLiteral("first.txt"));

    EXPECT_TRUE(VantoroApplication::takeFirstRunMarker());
    ASSERT_TRUE(QFile::exists(marker));
    EXPECT_EQ(QFile(marker).size(), 0);

    QFile file(marker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kept");
    file.close();
    EXPECT_FALSE(VantoroApplication::takeFirstRunMarker());
    EXPECT_EQ(QFile(marker).size(), 4);

    // A start from another folder counts as a first start there.
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    EXPECT_TRUE(VantoroApplication::takeFirstRunMarker());
    QDir::setCurrent(previous);
}

}  // namespace
