#include "ui/popup_window.h"

#include <QScreen>
#include <QWidget>

#include "ui/page_notices.h"
#include "ui/title_bar.h"

PopupWindow::PopupWindow(QWidget *popup, TitleBar *bubble) : popup_(popup), bubble_(bubble) {}

void PopupWindow::showNotice(const QString &text) {
    if (!popup_) {
        return;
    }
    const QRect area = popup_->isFullScreen() ? popup_->screen()->geometry() : popup_->geometry();
    bubble_->showTopNotice(text, popup_, area);
}

void PopupWindow::showPageFullscreen(bool fullscreen) {
    if (fullscreen) {
        showNotice(QString::fromUtf8(page_notices::kLeaveFullscreen));
    }
}

void PopupWindow::pageZoomChanged(double factor) {
    showNotice(page_notices::zoom(factor));
}
