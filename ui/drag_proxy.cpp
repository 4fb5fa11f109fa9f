#include "ui/drag_proxy.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QWidget>
#include <QWindow>

#include "platform/platform.h"
#include "platform/widget_handle.h"

namespace {

const Qt::CursorShape kRegionCursors[] = {
    Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor, Qt::SizeFDiagCursor,
    Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor, Qt::SizeFDiagCursor,
    Qt::ArrowCursor,   Qt::ArrowCursor,
};

constexpr int kCursorPollMilliseconds = 50;

using platform::kEdgeBottom;
using platform::kEdgeLeft;
using platform::kEdgeRight;
using platform::kEdgeTop;
const unsigned kRegionEdges[] = {
    kEdgeTop,    kEdgeTop | kEdgeRight,   kEdgeRight, kEdgeBottom | kEdgeRight,
    kEdgeBottom, kEdgeBottom | kEdgeLeft, kEdgeLeft,  kEdgeTop | kEdgeLeft,
};

// A Wayland client cannot place its own window: a left or top edge set by the program would
// grow the window on the opposite side. The window system resizes it instead.
bool windowSystemPlacesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

DragProxy::DragProxy(QWidget *widget)
    : QObject(widget),
      widget_(widget),
      top_(0),
      right_(0),
      bottom_(0),
      left_(0),
      pressX_(0),
      pressY_(0),
      pressed_(false),
      pressRegion_(None),
      cursorTimerId_(0),
      placedByWindowSystem_(windowSystemPlacesWindows()) {
    widget->setAttribute(Qt::WA_MouseTracking);
    widget->installEventFilter(this);
}

void DragProxy::setBorderWidth(int top, int right, int bottom, int left) {
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    left_ = left;
    updateRegions();
}

void DragProxy::updateRegions() {
    const int w = widget_->width();
    const int h = widget_->height();
    regions_[Top] = QRect(left_, 0, w - right_ - left_, top_);
    regions_[TopRight] = QRect(w - right_, 0, right_, top_);
    regions_[Right] = QRect(w - right_, top_, right_, h - bottom_ - top_);
    regions_[BottomRight] = QRect(w - right_, h - bottom_, right_, bottom_);
    regions_[Bottom] = QRect(left_, h - bottom_, w - right_ - left_, bottom_);
    regions_[BottomLeft] = QRect(0, h - bottom_, left_, bottom_);
    regions_[Left] = QRect(0, top_, left_, h - bottom_ - top_);
    regions_[TopLeft] = QRect(0, 0, left_, top_);
    regions_[Inner] = QRect(left_, top_, w - right_ - left_, h - bottom_ - top_);
}

DragProxy::WidgetRegion DragProxy::regionAt(const QPoint &point) const {
    // A full-screen window has no edges to resize by.
    if (widget_->isFullScreen()) {
        return Inner;
    }
    for (int region = Top; region <= Inner; ++region) {
        if (regions_[region].contains(point)) {
            return static_cast<WidgetRegion>(region);
        }
    }
    return None;
}

void DragProxy::resizeIfAllowed(int x, int y, int width, int height) {
    // All or nothing: a step outside the limits keeps the last accepted geometry, position too.
    if (widget_->minimumWidth() <= width && width <= widget_->maximumWidth() &&
        widget_->minimumHeight() <= height && height <= widget_->maximumHeight()) {
        widget_->setGeometry(x, y, width, height);
    }
}

bool DragProxy::handOverResize(int region, QPoint pressedAt) {
    return widget_->windowHandle() &&
           platform::startWindowResize(platform::handleOfWidget(widget_), kRegionEdges[region],
                                       pressedAt.x(), pressedAt.y());
}

void DragProxy::stopCursorTimer() {
    if (cursorTimerId_ != 0) {
        widget_->killTimer(cursorTimerId_);
        cursorTimerId_ = 0;
    }
}

bool DragProxy::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QPoint point = mouse->position().toPoint();
            const WidgetRegion region = regionAt(point);
            const QPoint global = widget_->mapToGlobal(point);
            if (!pressed_) {
                widget_->setCursor(kRegionCursors[region]);
                // The widget may get no further event once the pointer rests; poll until it is
                // back in the inner area.
                stopCursorTimer();
                cursorTimerId_ = widget_->startTimer(kCursorPollMilliseconds, Qt::CoarseTimer);
                break;
            }
            if (widget_->isMaximized() || widget_->isFullScreen()) {
                return true;
            }
            // Always from the press state, so a pointer position gives one geometry whatever
            // path the pointer took.
            const int dx = global.x() - pressX_;
            const int dy = global.y() - pressY_;
            const int x = pressGeometry_.x();
            const int y = pressGeometry_.y();
            const int w = pressGeometry_.width();
            const int h = pressGeometry_.height();
            switch (pressRegion_) {
                case Top:
                    resizeIfAllowed(x, y + dy, w, h - dy);
                    break;
                case TopRight:
                    resizeIfAllowed(x, y + dy, w + dx, h - dy);
                    break;
                case Right:
                    resizeIfAllowed(x, y, w + dx, h);
                    break;
                case BottomRight:
                    resizeIfAllowed(x, y, w + dx, h + dy);
                    break;
                case Bottom:
                    resizeIfAllowed(x, y, w, h + dy);
                    break;
                case BottomLeft:
                    resizeIfAllowed(x + dx, y, w - dx, h + dy);
                    break;
                case Left:
                    resizeIfAllowed(x + dx, y, w - dx, h);
                    break;
                case TopLeft:
                    resizeIfAllowed(x + dx, y + dy, w - dx, h - dy);
                    break;
                default:
                    break;
            }
            break;
        }
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton) {
                break;
            }
            const QPoint point = mouse->position().toPoint();
            const WidgetRegion region = regionAt(point);
            if (region < Inner && !widget_->isMaximized()) {
                // The window system follows the pointer from here and this widget sees no more
                // of the drag. Where it declines, the drag is ours, but for the left and top
                // edges of a window that cannot place itself.
                if (handOverResize(region, mouse->globalPosition().toPoint()) ||
                    (placedByWindowSystem_ && (kRegionEdges[region] & (kEdgeLeft | kEdgeTop)))) {
                    stopCursorTimer();
                    return true;
                }
            }
            pressed_ = true;
            pressRegion_ = region;
            const QPoint global = widget_->mapToGlobal(point);
            pressX_ = global.x();
            pressY_ = global.y();
            pressGeometry_ = widget_->geometry();
            stopCursorTimer();
            break;
        }
        case QEvent::MouseButtonRelease:
            pressed_ = false;
            pressRegion_ = None;
            widget_->setCursor(Qt::ArrowCursor);
            break;
        case QEvent::Resize:
            updateRegions();
            break;
        case QEvent::Leave:
            widget_->setCursor(Qt::ArrowCursor);
            stopCursorTimer();
            break;
        case QEvent::Timer:
            if (static_cast<QTimerEvent *>(event)->timerId() == cursorTimerId_) {
                if (regions_[Inner].contains(widget_->mapFromGlobal(QCursor::pos()))) {
                    widget_->setCursor(Qt::ArrowCursor);
                    stopCursorTimer();
                }
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
