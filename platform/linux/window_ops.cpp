#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <thread>

#include "platform/platform.h"

namespace platform {

void placeChildWindow(WindowHandle child, int x, int y, int width, int height) {
    if (QWidget *widget = QWidget::find(static_cast<WId>(child))) {
        widget->setGeometry(x, y, width, height);
    }
}

bool releaseMouseCapture() {
    if (QWidget *grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
    // A window manager starts a move even without a pressed button, and merely hovering the
    // title bar must never move the window.
    return QGuiApplication::mouseButtons() & Qt::LeftButton;
}

void startWindowMove(WindowHandle window) {
    QWidget *widget = QWidget::find(static_cast<WId>(window));
    if (widget && widget->windowHandle()) {
        widget->windowHandle()->startSystemMove();
    }
}

void focusWindow(WindowHandle window) {
    if (QWidget *widget = QWidget::find(static_cast<WId>(window))) {
        widget->activateWindow();
        widget->setFocus();
    }
}

void sleepMilliseconds(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
