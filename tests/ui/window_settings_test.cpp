#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include "ui/small_player_geometry.h"
#include "ui/window_settings.h"

namespace {

const QSize kMinimum(1080, 610);
const QRect kPrimary(0, 0, 1280, 800);
const QRect kRight(1280, 0, 1920, 1080);

TEST(WindowSettingsTest, PlacesTheSavedWindowOnAScreen) {
    const QList<QRect> screens{kPrimary, kRight};
    // Where it was, on either screen.
    EXPECT_EQ(WindowSettings::placed(QRect(40, 60, 1150, 650), kMinimum, screens),
              QRect(40, 60, 1150, 650));
    EXPECT_EQ(WindowSettings::placed(QRect(1400, 100, 1300, 700), kMinimum, screens),
              QRect(1400, 100, 1300, 700));
    // Its screen gone: centred on the primary one, no larger than it.
    EXPECT_EQ(WindowSettings::placed(QRect(3300, 100, 1600, 900), kMinimum, screens),
              QRect(0, 0, 1280, 800));
    EXPECT_EQ(WindowSettings::placed(QRect(-5000, 0, 1100, 620), kMinimum, screens),
              QRect(90, 90, 1100, 620));
    // Too small, or with its title bar above the screen.
    EXPECT_EQ(WindowSettings::placed(QRect(10, 20, 300, 200), kMinimum, screens),
              QRect(10, 20, 1080, 610));
    EXPECT_EQ(WindowSettings::placed(QRect(10, -200, 1100, 700), kMinimum, screens),
              QRect(10, 0, 1100, 700));
    // Its buttons past the screen's right edge, its bottom below the screen.
    EXPECT_EQ(WindowSettings::placed(QRect(600, 100, 1100, 620), kMinimum, screens),
              QRect(180, 100, 1100, 620));
    EXPECT_EQ(WindowSettings::placed(QRect(-20, 300, 1100, 620), kMinimum, screens),
              QRect(0, 180, 1100, 620));
    // A screen smaller than the form, with the least size already fitted to it.
    const QRect small(0, 0, 853, 533);
    EXPECT_EQ(WindowSettings::placed(QRect(100, 50, 1080, 610), small.size(), {small}), small);
}

TEST(SmallPlayerGeometryTest, StartsBottomRightAndStaysOnItsScreen) {
    EXPECT_EQ(SmallPlayerGeometry::initial(QRect(0, 0, 1280, 770)), QRect(784, 484, 480, 270));
    EXPECT_EQ(SmallPlayerGeometry::initial(kRight), QRect(3184 - 480, 794, 480, 270));
    // A screen too small for the first size: as large as fits, at 16:9, never below 256 x 144.
    EXPECT_EQ(SmallPlayerGeometry::initial(QRect(0, 0, 400, 300)), QRect(16, 77, 368, 207));
    EXPECT_EQ(SmallPlayerGeometry::initial(QRect(0, 0, 200, 100)).size(), QSize(256, 144));

    const QList<QRect> screens{kPrimary, kRight};
    EXPECT_EQ(SmallPlayerGeometry::placed(QRect(1400, 900, 640, 360), screens),
              QRect(1400, 720, 640, 360));
    // A file's odd size comes back at 16:9; a place whose screen went, at the first place.
    EXPECT_EQ(SmallPlayerGeometry::placed(QRect(10, 10, 500, 500), screens),
              QRect(10, 10, 500, 281));
    EXPECT_EQ(SmallPlayerGeometry::placed(QRect(10, 10, 2000, 10), screens),
              QRect(0, 10, 1280, 720));
    EXPECT_EQ(SmallPlayerGeometry::placed(QRect(5000, 10, 480, 270), screens),
              SmallPlayerGeometry::initial(kPrimary));
}

TEST(SmallPlayerGeometryTest, ResizesAtItsEdgesAt16To9) {
    const QRect start(500, 400, 480, 270);
    const QSize screen(1280, 800);
    // The right edge: the top-left corner stays.
    EXPECT_EQ(SmallPlayerGeometry::resized(start, Qt::RightEdge, QPoint(160, 5), screen),
              QRect(500, 400, 640, 360));
    // The left and top edges: the opposite corner stays.
    EXPECT_EQ(
        SmallPlayerGeometry::resized(start, Qt::LeftEdge | Qt::TopEdge, QPoint(-160, 0), screen),
        QRect(340, 310, 640, 360));
    EXPECT_EQ(SmallPlayerGeometry::resized(start, Qt::TopEdge, QPoint(0, 90), screen),
              QRect(500, 490, 320, 180));
    // The corner follows the edge that moved further.
    EXPECT_EQ(
        SmallPlayerGeometry::resized(start, Qt::RightEdge | Qt::BottomEdge, QPoint(16, 90), screen),
        QRect(500, 400, 640, 360));
    // Not below 256 x 144, nor beyond the screen.
    EXPECT_EQ(SmallPlayerGeometry::resized(start, Qt::LeftEdge, QPoint(400, 0), screen),
              QRect(724, 400, 256, 144));
    EXPECT_EQ(SmallPlayerGeometry::resized(start, Qt::BottomEdge, QPoint(0, 2000), screen),
              QRect(500, 400, 1280, 720));
}

class WindowSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        path_ = folder_.filePath(QStringLiteral("VantoroClient/vantoro-client.conf"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path_).path()));
    }

    void write(const QByteArray &content) {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // What stderr received while run ran.
    template <typename Run>
    std::string stderrOf(Run run) {
        testing::internal::CaptureStderr();
        run();
        return testing::internal::GetCapturedStderr();
    }

    QTemporaryDir folder_;
    QString path_;
};

TEST_F(WindowSettingsFileTest, WhatIsSavedComesBack) {
    SettingsFile firstRun(path_);
    WindowSettings first(firstRun);
    first.load();
    EXPECT_FALSE(first.hasGeometry());
    EXPECT_EQ(first.zoom(), 1.0);
    EXPECT_FALSE(first.hasPlayerGeometry());
    first.saveWindow(QRect(-20, 30, 1200, 700), true);
    first.saveZoom(1.25);
    first.savePlayer(QRect(700, 400, 512, 288));

    SettingsFile secondRun(path_);
    WindowSettings second(secondRun);
    second.load();
    ASSERT_TRUE(second.hasGeometry());
    EXPECT_EQ(second.geometry(), QRect(-20, 30, 1200, 700));
    EXPECT_TRUE(second.maximized());
    EXPECT_EQ(second.zoom(), 1.25);
    ASSERT_TRUE(second.hasPlayerGeometry());
    EXPECT_EQ(second.playerGeometry(), QRect(700, 400, 512, 288));
    // Qt's own reading of the file agrees: earlier and later versions read the same file.
    QSettings qt(path_, QSettings::IniFormat);
    EXPECT_EQ(qt.value("window/width").toInt(), 1200);
    EXPECT_EQ(qt.value("page/zoom").toDouble(), 1.25);
}

TEST_F(WindowSettingsFileTest, DamagedOrNonsensicalContentRestoresNothing) {
    write(QByteArray("\x00\xff[window\nx=\x01garbage\n", 20));
    SettingsFile damagedRun(path_);
    WindowSettings damaged(damagedRun);
    damaged.load();

    EXPECT_FALSE(damaged.hasGeometry());
    // The next save writes a sound file.
    damaged.saveWindow(QRect(0, 0, 1080, 610), false);
    EXPECT_EQ(QSettings(path_, QSettings::IniFormat).status(), QSettings::NoError);
    SettingsFile rewrittenRun(path_);
    WindowSettings rewritten(rewrittenRun);
    rewritten.load();
    EXPECT_TRUE(rewritten.hasGeometry());

    for (const char *zoom : {"99", "1e308", "-1e308", "nan", "inf"}) {
        SCOPED_TRACE(zoom);
        write(QByteArray("[window]\nx=ten\ny=0\nwidth=1080\nheight=610\n[page]\nzoom=") + zoom);
        SettingsFile nonsenseRun(path_);
        WindowSettings nonsense(nonsenseRun);
        nonsense.load();
        EXPECT_FALSE(nonsense.hasGeometry());
        EXPECT_GE(nonsense.zoom(), 0.25);
        EXPECT_LE(nonsense.zoom(), 5.0);
    }
}

// Whatever lies at the path, the start goes on at once and the first save puts a sound file there.
TEST_F(WindowSettingsFileTest, OnlyASmallRegularFileIsRead) {
    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_EQ(mkfifo(QFile::encodeName(path_).constData(), 0600), 0);
    std::string said = stderrOf([&] {
        SettingsFile fifo(path_);
        EXPECT_TRUE(fifo.damaged());
        WindowSettings(fifo).saveZoom(1.5);
    });
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
    EXPECT_TRUE(QFileInfo(path_).isFile());
    EXPECT_EQ(SettingsFile(path_).value("page/zoom").toDouble(), 1.5);

    QByteArray large = "[window]\nx=1\ny=1\nwidth=1100\nheight=700\n";
    large += "[other]\n" + QByteArray(2 * 1024 * 1024, 'x') + "=1\n";
    write(large);
    said = stderrOf([&] {
        SettingsFile huge(path_);
        WindowSettings window(huge);
        window.load();
        EXPECT_FALSE(window.hasGeometry());
    });
    EXPECT_NE(said.find("larger than 1 MiB"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

// Read once: what changes in the file later counts at the next start, not in this run.
TEST_F(WindowSettingsFileTest, ReadOnceAtStart) {
    write("[page]\nzoom=1.5\n");
    SettingsFile run(path_);
    write("[page]\nzoom=2\n");
    WindowSettings window(run);
    window.load();
    EXPECT_EQ(window.zoom(), 1.5);
}

// For as long as it lives, this thread obeys file permissions as any user does, root too.
class FileRightsAsForAnyone {
public:
    FileRightsAsForAnyone() {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        syscall(SYS_capset, &header_, reduced);
    }
    ~FileRightsAsForAnyone() { syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
};

TEST_F(WindowSettingsFileTest, AFailedSaveSaysSoOnceAndKeepsTheOldFile) {
    write("[page]\nzoom=1.5\n");
    const FileRightsAsForAnyone rights;
    ASSERT_TRUE(QFile::setPermissions(QFileInfo(path_).path(), QFile::ReadOwner | QFile::ExeOwner));
    const std::string said = stderrOf([&] {
        SettingsFile run(path_);
        WindowSettings window(run);
        window.saveZoom(2.0);
        window.saveWindow(QRect(0, 0, 1080, 610), false);
        EXPECT_FALSE(run.save());
    });
    QFile::setPermissions(QFileInfo(path_).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("settings not saved"), std::string::npos) << said;
    EXPECT_EQ(SettingsFile(path_).value("page/zoom").toDouble(), 1.5);
}

}  // namespace
