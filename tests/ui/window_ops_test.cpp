#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "platform/platform.h"
#include "platform/widget_handle.h"

namespace {

TEST(WindowOpsTest, ChildWindowIsPlacedByItsHandle) {
    QWidget host;
    host.resize(400, 300);
    auto *child = new QWidget(&host);
    child->setGeometry(5, 5, 10, 10);
    const WId handle = child->winId();
    platform::placeChildWindow(static_cast<platform::WindowHandle>(handle), 0, 0, 320, 240);
    EXPECT_EQ(child->geometry(), QRect(0, 0, 320, 240));

    // A handle that names no widget (the browser already gone) moves nothing, not the page's
    // next native window either.
    delete child;
    auto *successor = new QWidget(&host);
    successor->setGeometry(5, 5, 10, 10);
    successor->winId();
    platform::placeChildWindow(static_cast<platform::WindowHandle>(handle), 0, 0, 1, 1);
    EXPECT_EQ(successor->geometry(), QRect(5, 5, 10, 10));
    EXPECT_EQ(host.size(), QSize(400, 300));
}

// Off X11 (here the offscreen platform, as on Wayland) the page's widget must not become a
// native window, which the compositor may show late; its handle still finds and places it.
TEST(WindowOpsTest, ChildHandleNeedsNoNativeWindowOffX11) {
    QWidget host;
    auto *child = new QWidget(&host);
    const platform::WindowHandle handle = platform::handleOfWidget(child);
    EXPECT_FALSE(child->testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(platform::handleOfWidget(child), handle);
    platform::placeChildWindow(handle, 0, 0, 320, 240);
    EXPECT_EQ(child->geometry(), QRect(0, 0, 320, 240));
    delete child;
    EXPECT_EQ(platform::widgetOfHandle(handle), nullptr);
}

// Moving the pointer over the title bar without a button must never start a window move.
TEST(WindowOpsTest, CaptureIsReleasedButNoMoveWithoutTheLeftButton) {
    QWidget window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &window);
    EXPECT_FALSE(platform::releaseMouseCapture());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(WindowOpsTest, LeftButtonHeldAllowsTheMove) {
    QWidget window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(platform::releaseMouseCapture());
    // Without a window manager the move is declined; the call must still return.
    platform::startWindowMove(static_cast<platform::WindowHandle>(window.winId()));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(platform::releaseMouseCapture());
}

TEST(WindowOpsTest, FocusGoesToTheWindow) {
    QWidget other;
    other.show();
    QWidget window;
    window.setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    other.activateWindow();
    platform::focusWindow(static_cast<platform::WindowHandle>(window.winId()));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(window.hasFocus());
}

}  // namespace
