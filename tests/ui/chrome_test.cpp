#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "ui/arrow_widget.h"
#include "ui/notification_question.h"
#include "ui/title_bar.h"

namespace {

QList<ArrowWidget *> bubbles() {
    QList<ArrowWidget *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *bubble = qobject_cast<ArrowWidget *>(widget)) {
            found << bubble;
        }
    }
    return found;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A top-level window holding a title bar, as the main window does.
class TitleBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = new QWidget;
        auto *layout = new QVBoxLayout(window_);
        bar_ = new TitleBar(window_);
        layout->addWidget(bar_);
        layout->addStretch();
        window_->resize(1080, 610);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }
    void TearDown() override {
        for (ArrowWidget *bubble : bubbles()) {
            delete bubble;
        }
        delete window_;
    }
    QPushButton *button(const char *name) { return bar_->findChild<QPushButton *>(name); }

    QWidget *window_ = nullptr;
    TitleBar *bar_ = nullptr;
};

TEST_F(TitleBarTest, BuildsItsChildrenWithTheirNamesSizesAndTexts) {
    EXPECT_EQ(bar_->height(), 40);
    EXPECT_EQ(bar_->findChild<QLabel *>("whiteLabel")->text(), "1.0.3");
    const struct {
        const char *name;
        QSize size;
        const char *tooltip;
    } expected[] = {
        {"returnhomeButton", {28, 28}, u8"返回首页"}, {"clearcookieButton", {28, 28}, u8"清理缓存"},
        {"refreshButton", {28, 28}, u8"刷新"},        {"minimizeButton", {24, 16}, u8"最小化"},
        {"maximizeButton", {24, 16}, u8"最大化"},     {"closeButton", {24, 16}, u8"关闭"},
    };
    for (const auto &item : expected) {
        SCOPED_TRACE(item.name);
        QPushButton *b = button(item.name);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->size(), item.size);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(item.tooltip));
        EXPECT_TRUE(b->text().isEmpty());
    }
    EXPECT_EQ(button("returnhomeButton")->styleSheet(),
              "\t\tQPushButton:hover{\t\t\tbackground-image:url(:/subview/images/"
              "icon_return_home_hover.png);\t\t}\t\tQPushButton{\t\t\tbackground-image:url(:/"
              "subview/images/icon_return_home.png);\t\t\tbackground-repeat: no-repeat;\t\t\t"
              "border-top-left-radius:0px;\t\t\tborder-top-right-radius:0px;\t}");
}

TEST_F(TitleBarTest, PageButtonsEmitOnlyTheirOwnSignal) {
    QSignalSpy home(bar_, SIGNAL(on_return_home()));
    QSignalSpy clear(bar_, SIGNAL(on_clear_cookie()));
    QSignalSpy reload(bar_, SIGNAL(on_reflesh()));

    QTest::mouseClick(button("returnhomeButton"), Qt::LeftButton);
    EXPECT_EQ(home.count(), 1);
    EXPECT_EQ(reload.count(), 0);
    QTest::mouseClick(button("refreshButton"), Qt::LeftButton);
    EXPECT_EQ(reload.count(), 1);
    EXPECT_EQ(home.count(), 1);
    EXPECT_EQ(clear.count(), 0);
    EXPECT_TRUE(bubbles().isEmpty());
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(TitleBarTest, ClearCacheShowsOneNoticeUnderTheButtonBeforeItsSignal) {
    int bubblesWhenSignalled = -1;
    QObject::connect(bar_, &TitleBar::on_clear_cookie,
                     [&] { bubblesWhenSignalled = bubbles().size(); });
    QPushButton *clear = button("clearcookieButton");
    QTest::mouseClick(clear, Qt::LeftButton);

    ASSERT_EQ(bubbles().size(), 1);
    EXPECT_EQ(bubblesWhenSignalled, 1);
    ArrowWidget *bubble = bubbles().first();
    EXPECT_EQ(bubble->size(), QSize(180, 60));
    const QRect b = clear->geometry();
    EXPECT_EQ(bubble->pos(), bar_->mapToGlobal(QPoint(b.x() + b.width() / 2 - 90, b.bottom() + 1)));
    // A popup of the window, which Wayland places relative to it; it goes where the window goes.
    EXPECT_EQ(bubble->parentWidget(), window_);
    EXPECT_EQ(bubble->windowType(), Qt::ToolTip);
    window_->move(window_->pos() + QPoint(40, 30));
    EXPECT_EQ(bubble->pos(), bar_->mapToGlobal(QPoint(b.x() + b.width() / 2 - 90, b.bottom() + 1)));
    EXPECT_EQ(bubble->findChild<QLabel *>()->text(),
              QString::fromUtf8(u8"清除缓存成功,请重启客户端"));
}

TEST_F(TitleBarTest, SecondNoticeReplacesTheFirstAndClosesAfterItsOwnTime) {
    QPushButton *clear = button("clearcookieButton");
    QTest::mouseClick(clear, Qt::LeftButton);
    QTest::qWait(1000);
    QTest::mouseClick(clear, Qt::LeftButton);
    flushDeletes();
    ASSERT_EQ(bubbles().size(), 1);
    QPointer<ArrowWidget> second = bubbles().first();

    // The first notice's time has run out, the second's has not.
    QTest::qWait(1800);
    flushDeletes();
    EXPECT_FALSE(second.isNull());
    QTest::qWait(1500);
    flushDeletes();
    EXPECT_TRUE(second.isNull());
    EXPECT_TRUE(bubbles().isEmpty());
}

TEST_F(TitleBarTest, NoticeClosedByEscapeIsNeverTouchedAgain) {
    QPushButton *clear = button("clearcookieButton");
    QTest::mouseClick(clear, Qt::LeftButton);
    QPointer<ArrowWidget> bubble = bubbles().first();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(bubble, &escape);
    flushDeletes();
    ASSERT_TRUE(bubble.isNull());

    // The timer and the next notice must not reach the destroyed bubble.
    QTest::qWait(2700);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(bubbles().size(), 1);
}

// Pages choose notification titles, file names and hosts: markup in them shows as typed, and a
// picture they name is never loaded (a red one here; /dev/zero would grow without end).
TEST_F(TitleBarTest, PageTextInNoticesAndQuestionsShowsAsTyped) {
    QTemporaryDir folder;
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(folder.filePath("red.png")));
    const QString text =
        QStringLiteral("<img src=%1><b>x</b><img src=/dev/zero>").arg(folder.filePath("red.png"));
    auto showsRed = [](QWidget *widget) {
        const QImage image = widget->grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == Qt::red) {
                    return true;
                }
            }
        }
        return false;
    };

    bar_->showNotice(text);
    ASSERT_EQ(bubbles().size(), 1);
    auto *label = bubbles().first()->findChild<QLabel *>();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), text);
    EXPECT_FALSE(showsRed(bubbles().first()));
    bar_->showTopNotice(text, window_, window_->geometry());
    flushDeletes();
    ASSERT_EQ(bubbles().size(), 1);
    EXPECT_FALSE(showsRed(bubbles().first()));

    // Short enough not to be cut in the question's width.
    const QString host = QStringLiteral("<img src=%1>").arg(folder.filePath("red.png"));
    NotificationQuestion question(host, window_);
    question.show();
    EXPECT_FALSE(showsRed(&question));
    EXPECT_TRUE(question.findChild<QLabel *>()->text().startsWith(host));
}

TEST_F(TitleBarTest, MaximiseButtonAndDoubleClickToggleTheWindow) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTest::mouseClick(button("maximizeButton"), Qt::LeftButton);
    // The window system gets its pause before the window takes the focus.
    EXPECT_GE(elapsed.elapsed(), 150);
    EXPECT_TRUE(window_->isMaximized());
    QTest::mouseClick(button("maximizeButton"), Qt::LeftButton);
    EXPECT_FALSE(window_->isMaximized());

    // Anywhere on the bar: on the version text and in the empty middle.
    QTest::mouseDClick(bar_->findChild<QLabel *>("whiteLabel"), Qt::LeftButton);
    EXPECT_TRUE(window_->isMaximized());
    QTest::mouseDClick(bar_, Qt::LeftButton, {}, QPoint(bar_->width() / 2, 20));
    EXPECT_FALSE(window_->isMaximized());
}

TEST_F(TitleBarTest, WindowButtonsMinimiseAndClose) {
    QTest::mouseClick(button("minimizeButton"), Qt::LeftButton);
    EXPECT_TRUE(window_->isMinimized());
    window_->showNormal();
    QTest::mouseClick(button("closeButton"), Qt::LeftButton);
    EXPECT_FALSE(window_->isVisible());
}

TEST(ArrowWidgetTest, DefaultBubbleHasItsArrowAtTheBottom) {
    ArrowWidget bubble;
    EXPECT_EQ(bubble.size(), QSize(100, 80));
    EXPECT_TRUE(bubble.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(bubble.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(bubble.testAttribute(Qt::WA_DeleteOnClose));
    const QPainterPath path = bubble.bubblePath();
    // Body (5, 5, 90, 60) and triangle (50, 65), (57, 75), (65, 65).
    EXPECT_EQ(path.boundingRect(), QRectF(5, 5, 90, 70));
    EXPECT_TRUE(path.contains(QPointF(57, 73)));
    EXPECT_FALSE(path.contains(QPointF(51, 73)));
    EXPECT_TRUE(path.contains(QPointF(50, 30)));
    EXPECT_FALSE(path.contains(QPointF(3, 30)));
}

// The clear-cache notice's shape: 180 x 60, the arrow on top, 80 px from the left.
void shapeAsNotice(ArrowWidget &bubble) {
    bubble.setArrowAtBottom(false);
    bubble.setArrowOffset(80);
    bubble.setArrowSize(20, 12);
    bubble.setFixedSize(180, 60);
}

TEST(ArrowWidgetTest, NoticeBubbleHasItsArrowOnTop) {
    ArrowWidget bubble;
    shapeAsNotice(bubble);
    auto *content = new QLabel("x");
    bubble.setContentWidget(content);
    const QPainterPath path = bubble.bubblePath();
    // Triangle (80, 17), (90, 5), (100, 17); body (5, 17, 170, 38).
    EXPECT_EQ(path.boundingRect(), QRectF(5, 5, 170, 50));
    EXPECT_TRUE(path.contains(QPointF(90, 7)));
    EXPECT_FALSE(path.contains(QPointF(82, 7)));
    EXPECT_FALSE(path.contains(QPointF(90, 57)));
    bubble.layout()->activate();
    EXPECT_EQ(content->geometry(), QRect(5, 15, 170, 40));
}

// What reaches the screen: white inside the outline, nothing opaque-white outside it.
TEST(ArrowWidgetTest, PaintsTheNoticeShapeOnATransparentWindow) {
    ArrowWidget bubble;
    shapeAsNotice(bubble);
    bubble.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bubble));
    const QImage image = bubble.grab().toImage();
    const QColor white(255, 255, 255, 255);
    auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    EXPECT_EQ(at(90, 8), white);   // just below the arrow's tip
    EXPECT_EQ(at(90, 36), white);  // middle of the body
    EXPECT_EQ(at(8, 20), white);   // inside the body's top-left corner
    EXPECT_NE(at(70, 8), white);   // beside the arrow
    EXPECT_NE(at(2, 36), white);   // the margin left for the shadow
    EXPECT_NE(at(90, 58), white);  // below the body
    EXPECT_LT(at(0, 0).alpha(), 255);
}

TEST(ArrowWidgetTest, OddArrowWidthPutsTheTipAtTheTruncatedHalf) {
    ArrowWidget bubble;
    const QPainterPath path = bubble.bubblePath();
    EXPECT_TRUE(path.contains(QPointF(57, 74.5)));
    EXPECT_FALSE(path.contains(QPointF(58.5, 74.5)));
}

}  // namespace
