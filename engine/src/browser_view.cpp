#include "src/browser_view.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
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
