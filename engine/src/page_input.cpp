#include "src/page_input.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>

namespace {

constexpr int kZoomCheckIntervalMs = 25;
constexpr int kZoomChecks = 80;

}  // namespace

PageInput::PageInput(QWebEngineView *view, Reports reports)
    : QObject(view), view_(view), parent_(view->parentWidget()), reports_(std::move(reports)) {
    // The widget that takes the page's input is the view's child, made anew when the page moves
    // to another renderer.
    view->installEventFilter(this);
    for (QWidget *child : view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        child->installEventFilter(this);
    }
    // Keys the page did not take are sent to the view's parent (for a view that is a window of
    // its own, a widget never shown).
    if (parent_) {
        parent_->installEventFilter(this);
    }
    zoom_check_.setInterval(kZoomCheckIntervalMs);
    connect(&zoom_check_, &QTimer::timeout, this, &PageInput::checkZoom);
}

bool PageInput::eventFilter(QObject *watched, QEvent *event) {
    if (watched == view_) {
        if (event->type() == QEvent::ChildAdded) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType()) {
                child->installEventFilter(this);
            }
        }
        return false;
    }
    if (watched == parent_) {
        // The parent's own keys come from the window system; the page's come back from the engine.
        if (event->type() == QEvent::KeyPress && !event->spontaneous() && reports_.unhandled_key) {
            return reports_.unhandled_key(*static_cast<QKeyEvent *>(event));
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && event->spontaneous() && reports_.pre_key) {
        return reports_.pre_key(*static_cast<QKeyEvent *>(event));
    }
    if (event->type() == QEvent::Wheel &&
        (static_cast<QWheelEvent *>(event)->modifiers() & Qt::ControlModifier)) {
        watchZoom();
    }
    return false;
}

void PageInput::watchZoom() {
    if (!zoom_check_.isActive()) {
        zoom_before_ = view_->page()->zoomFactor();
    }
    zoom_checks_left_ = kZoomChecks;
    zoom_check_.start();
}

void PageInput::checkZoom() {
    const double now = view_->page()->zoomFactor();
    if (!qFuzzyCompare(now, zoom_before_)) {
        zoom_before_ = now;
        // The engine's wheel zoom holds for the current document only; the page's own factor
        // is what later loads get.
        view_->page()->setZoomFactor(now);
        if (reports_.zoomed) {
            reports_.zoomed(now);
        }
    }
    if (--zoom_checks_left_ <= 0) {
        zoom_check_.stop();
    }
}
