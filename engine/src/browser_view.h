// The widget a browser draws into: a page view that leaves its context menu and the closing of
// its own window to the browser.
#ifndef ENGINE_SRC_BROWSER_VIEW_H_
#define ENGINE_SRC_BROWSER_VIEW_H_

#include <QWebEngineView>

#include "src/browser_impl.h"

class BrowserView : public QWebEngineView {
    Q_OBJECT

public:
    BrowserView(CefRefPtr<BrowserImpl> browser, QWidget *parent);
    ~BrowserView() override;

    // Lets the next close event through without asking the browser's client.
    void AllowClose() { close_allowed_ = true; }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The page's input arrives at a child widget: watched there, to tell what the user did from
    // what the page did by itself.
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Keeps the browser alive for as long as its view can deliver events to it.
    CefRefPtr<BrowserImpl> browser_;
    bool close_allowed_ = false;
};

#endif  // ENGINE_SRC_BROWSER_VIEW_H_
