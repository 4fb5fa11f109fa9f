#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <QUrlQuery>

#include "platform/platform.h"
#include "ui/arrow_widget.h"
#include "ui/title_bar.h"
#include "ui/vantoro_client.h"

namespace {

const QSize kFittedSize(800, 610);

// The window as a widget test sees it: no engine (so no browser), the working directory an empty
// folder of its own, and beacons sent through a proxy on 127.0.0.1 that answers each with an
// empty 200 and records the statistics event of each.
class VantoroClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        ASSERT_TRUE(proxy_.listen(QHostAddress::LocalHost));
        QObject::connect(&proxy_, &QTcpServer::newConnection, [this] { answer(); });
        qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxy_.serverPort()));
        qputenv("HOME", dir_.path().toUtf8());
    }
    void TearDown() override {
        // Notices outlive the window that showed them, for at most their 2.5 s.
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<ArrowWidget *>(widget)) {
                delete widget;
            }
        }
        QDir::setCurrent(previous_);
    }

    // The statId of every beacon received so far, in order.
    QStringList statIds() const { return statIds_; }

    QTemporaryDir dir_;
    QString previous_;

private:
    void answer() {
        while (QTcpSocket *socket = proxy_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                QByteArray &request = requests_[socket];
                request += socket->readAll();
                if (!request.contains("\r\n\r\n")) {
                    return;
                }
                const QUrl url(QString::fromLatin1(request.split(' ').value(1)));
                statIds_ << QUrlQuery(url).queryItemValue(QStringLiteral("statId"));
                requests_.remove(socket);
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    QTcpServer proxy_;
    QHash<QTcpSocket *, QByteArray> requests_;
    QStringList statIds_;
};

TEST_F(VantoroClientTest, FormHasItsSizesMarginsAndFlags) {
    VantoroClient window(nullptr);
    EXPECT_EQ(window.objectName(), "VantoroClientClass");
    // The form's least size is 1080 × 610; on the offscreen screen (800 × 800) its width gives way
    // to the screen's.
    EXPECT_EQ(window.size(), kFittedSize);
    EXPECT_EQ(window.minimumSize(), kFittedSize);
    EXPECT_EQ(window.windowTitle(), "VantoroClient");
    EXPECT_EQ(window.windowFlags() & 0xE801, 0xE801);
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

// The page's menu is a child of the page area, a button's tooltip takes its button's style: both
// are windows of their own and must keep a light background, not the form's black page area or
// transparent title bar (which shows black where no compositing manager runs).
TEST_F(VantoroClientTest, FormBackgroundsStayOffMenusAndTooltips) {
    VantoroClient window(nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto background = [](QWidget *popup) {
        const QImage image = popup->grab().toImage();
        return image.pixelColor(image.width() - 4, image.height() / 2);
    };

    QMenu menu(window.findChild<QWidget *>("webWidget"));
    menu.addAction(QStringLiteral("x"));
    menu.popup(window.mapToGlobal(QPoint(300, 300)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_GT(background(&menu).lightness(), 200);

    auto *refresh = window.findChild<QPushButton *>("refreshButton");
    QToolTip::showText(refresh->mapToGlobal(QPoint(14, 14)), refresh->toolTip(), refresh);
    QWidget *tip = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QTipLabel") && widget->isVisible()) {
            tip = widget;
        }
    }
    ASSERT_TRUE(tip);
    EXPECT_GT(background(tip).lightness(), 200);
    EXPECT_EQ(background(tip).alpha(), 255);
    QToolTip::hideText();
}

TEST_F(VantoroClientTest, ClearCacheClicksOnlyRequestTheRemovalAtTheEnd) {
    const QString cache = QString::fromStdString(platform::cachePath());
    ASSERT_TRUE(cache.startsWith(dir_.path()));
    ASSERT_TRUE(QDir().mkpath(cache));
    VantoroClient window(nullptr);
    window.show();
    auto *clear = window.findChild<QPushButton *>("clearcookieButton");
    QTest::mouseClick(clear, Qt::LeftButton);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(window.clearCacheRequested);
    // The engine still has its files open below the data folder.
    EXPECT_TRUE(QDir(cache).exists());
}

TEST_F(VantoroClientTest, CommandsWithoutABrowserDoNothing) {
    VantoroClient window(nullptr);
    window.show();
    QTest::mouseClick(window.findChild<QPushButton *>("returnhomeButton"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>("refreshButton"), Qt::LeftButton);
    window.resize(1200, 700);
    EXPECT_EQ(window.handler->MainBrowser(), nullptr);
    // Refresh counts even without a browser; return home sends nothing, nor does the window's
    // making: the application counts the start.
    EXPECT_EQ(statIds(), QStringList{"770003"});
}

TEST_F(VantoroClientTest, FullScreenSaysHowToLeaveAndComesBackOntoAScreen) {
    VantoroClient window(nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Where the window was, a screen has gone since.
    window.setGeometry(QRect(QPoint(20000, 20000), window.size()));

    window.showPageFullscreen(true);
    QList<QLabel *> hints;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<ArrowWidget *>(widget) && widget->isVisible()) {
            hints << widget->findChild<QLabel *>();
        }
    }
    ASSERT_EQ(hints.size(), 1);
    EXPECT_EQ(hints.first()->text(), QStringLiteral(u"按 Esc 即可退出全屏模式"));
    EXPECT_TRUE(window.screen()->geometry().contains(hints.first()->window()->geometry()));

    window.showPageFullscreen(false);
    EXPECT_EQ(window.size(), kFittedSize);
    EXPECT_TRUE(window.screen()->availableGeometry().contains(window.geometry().center()));
}

}  // namespace
