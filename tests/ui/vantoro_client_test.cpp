#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLayout>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "ui/title_bar.h"
#include "ui/vantoro_client.h"

namespace {

// The window as a widget test sees it: no engine (so no browser), the working directory an empty
// folder of its own, and beacons sent through a proxy port on 127.0.0.1 that refuses them.
class VantoroClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
        probe.close();
        qputenv("http_proxy", proxy);
        qputenv("HOME", dir_.path().toUtf8());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(VantoroClientTest, FormHasItsSizesMarginsAndFlags) {
    VantoroClient window(nullptr);
    EXPECT_EQ(window.objectName(), "VantoroClientClass");
    EXPECT_EQ(window.size(), QSize(1080, 610));
    EXPECT_EQ(window.minimumSize(), QSize(1080, 610));
    EXPECT_EQ(window.windowTitle(), "VantoroClient");
    EXPECT_EQ(window.windowFlags() & 0xE801, 0xE801);
    EXPECT_EQ(window.browserId, 0);
    EXPECT_FALSE(window.clearCacheRequested);

    // The minimum heights need 40 + 555 + 18 pixels; below that the layout squeezes a margin.
    window.resize(1080, 640);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto *title = window.findChild<TitleBar *>("titleWidget");
    auto *web = window.findChild<QWidget *>("webWidget");
    ASSERT_TRUE(title && web);
    EXPECT_EQ(title->height(), 40);
    EXPECT_EQ(title->geometry().topLeft(), QPoint(9, 9));
    EXPECT_EQ(web->geometry().top(), title->geometry().bottom() + 1);
    EXPECT_EQ(web->geometry().left(), 9);
    EXPECT_EQ(web->geometry().right(), 1080 - 9 - 1);
    EXPECT_EQ(web->geometry().bottom(), 640 - 9 - 1);
    EXPECT_EQ(window.findChild<QLayout *>("verticalLayout")->spacing(), 0);
}

TEST_F(VantoroClientTest, ClearCacheClicksSetTheRequestOnce) {
    VantoroClient window(nullptr);
    window.show();
    auto *clear = window.findChild<QPushButton *>("clearcookieButton");
    QTest::mouseClick(clear, Qt::LeftButton);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(window.clearCacheRequested);
    EXPECT_TRUE(QDir(dir_.path()).exists());
}

TEST_F(VantoroClientTest, FirstStartLeavesAnEmptyMarkerAndLaterStartsKeepIt) {
    const QString marker = dir_.filePath("first.txt");
    { VantoroClient first(nullptr); }
    ASSERT_TRUE(QFile::exists(marker));
    EXPECT_EQ(QFile(marker).size(), 0);

    QFile file(marker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kept");
    file.close();
    { VantoroClient later(nullptr); }
    EXPECT_EQ(QFile(marker).size(), 4);
}

TEST_F(VantoroClientTest, CommandsWithoutABrowserDoNothing) {
    VantoroClient window(nullptr);
    window.show();
    QTest::mouseClick(window.findChild<QPushButton *>("returnhomeButton"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>("refreshButton"), Qt::LeftButton);
    window.resize(1200, 700);
    EXPECT_EQ(window.browserId, 0);
}

}  // namespace
