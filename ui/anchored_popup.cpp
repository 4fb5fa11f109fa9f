#include "ui/anchored_popup.h"

#include <QEvent>
#include <QWidget>

AnchoredPopup::AnchoredPopup(QWidget *popup, QWidget *anchor)
    : QObject(popup), popup_(popup), anchor_(anchor) {
    // A tool tip's window type: on Wayland the one popup kind that neither grabs the pointer nor
    // closes at the next click elsewhere; on X11 a window the window manager leaves where it is.
    popup->setParent(anchor->window(), Qt::ToolTip | Qt::FramelessWindowHint);
    // The window may move or change size while the popup shows; where the window system does not
    // carry the popup along (X11), it follows here.
    anchor->window()->installEventFilter(this);
    place();
}

void AnchoredPopup::place() {
    if (!anchor_) {
        return;
    }
    const QPoint bottomCentre(anchor_->width() / 2, anchor_->height());
    popup_->move(anchor_->mapToGlobal(bottomCentre) - QPoint(popup_->width() / 2, 0));
}

bool AnchoredPopup::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        place();
    }
    return QObject::eventFilter(watched, event);
}
