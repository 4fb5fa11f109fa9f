#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

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

class WindowSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("WindowSettingsTest"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_.path()));
        // Named without a settings object, which would keep the file's state from before the
        // test wrote it.
        path_ = folder_.path() + QStringLiteral("/WindowSettingsTest/") +
                QCoreApplication::applicationName() + QStringLiteral(".conf");
    }

    void write(const QByteArray &content) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path_).path()));
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QTemporaryDir folder_;
    QString path_;
};

TEST_F(WindowSettingsFileTest, WhatIsSavedComesBack) {
    WindowSettings first;
    first.load();
    EXPECT_FALSE(first.hasGeometry());
    EXPECT_EQ(first.zoom(), 1.0);
    first.saveWindow(QRect(-20, 30, 1200, 700), true);
    first.saveZoom(1.25);

    WindowSettings second;
    second.load();
    ASSERT_TRUE(second.hasGeometry());
    EXPECT_EQ(second.geometry(), QRect(-20, 30, 1200, 700));
    EXPECT_TRUE(second.maximized());
    EXPECT_EQ(second.zoom(), 1.25);
}

TEST_F(WindowSettingsFileTest, DamagedOrNonsensicalContentRestoresNothing) {
    write(QByteArray("\x00\xff[window\nx=\x01garbage\n", 20));
    WindowSettings damaged;
    damaged.load();

    EXPECT_FALSE(damaged.hasGeometry());
    // The next save writes a sound file.
    damaged.saveWindow(QRect(0, 0, 1080, 610), false);
    EXPECT_EQ(QSettings().status(), QSettings::NoError);
    WindowSettings rewritten;
    rewritten.load();
    EXPECT_TRUE(rewritten.hasGeometry());

    write("[window]\nx=ten\ny=0\nwidth=1080\nheight=610\n[page]\nzoom=99\n");
    WindowSettings nonsense;
    nonsense.load();
    EXPECT_FALSE(nonsense.hasGeometry());
    EXPECT_EQ(nonsense.zoom(), 5.0);
}

}  // namespace
