#include "src/browser_view.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWebEngineContextMenuRequest>

BrowserView::BrowserView(CefRefPtr<BrowserImpl> browser, QWidget *parent)
    : QWebEngineView(parent), browser_(browser) {}

BrowserView::~BrowserView() {
    // The page, a child, outlives this part of the view, and the browser may not outlive it.
    page()->disconnect(this);
    browser_->ViewDestroyed();
}

void BrowserView::contextMenuEvent(QContextMenuEvent *event) {
    if (QWebEngineContextMenuRequest *request = lastContextMenuRequest()) {
        browser_->ShowContextMenu(*request, event->globalPos());
    }
}

void BrowserView::closeEvent(QCloseEvent *event) {
    if (close_allowed_ || browser_->WindowCloseRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void BrowserView::childEvent(QChildEvent *event) {
    if (event->added() && event->child()->isWidgetType()) {
        event->child()->installEventFilter(this);
    }
    QWebEngineView::childEvent(event);
}

bool BrowserView::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::TouchBegin:
            browser_->NoteUserInput();
            break;
        case QEvent::KeyPress:
            if (!static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
                browser_->NoteUserInput();
            }
            break;
        default:
            break;
    }
    return QWebEngineView::eventFilter(watched, event);
}
