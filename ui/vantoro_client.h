#ifndef UI_VANTORO_CLIENT_H_
#define UI_VANTORO_CLIENT_H_

#include <QMainWindow>
#include <QMargins>
#include <QRect>

#include <atomic>
#include <cstdint>
#include <memory>

#include "browser/simple_handler.h"
#include "include/cef_browser.h"

class QResizeEvent;
namespace Ui {
class VantoroClientClass;
}

// The client's only window: frameless, the title bar on top and the site's page below it in
// "webWidget".
class VantoroClient : public QMainWindow {
    Q_OBJECT

public:
    explicit VantoroClient(QWidget *parent = nullptr);
    ~VantoroClient() override;

    // The window's browser, 0 until the engine has reported it. Written by the client handler on
    // the engine's side, read here.
    std::atomic<std::int32_t> browserId;
    // Set by the clear-cache command; the data folder is removed after the engine has shut down.
    bool clearCacheRequested;
    CefRefPtr<SimpleHandler> handler;

    // The page entered or left full screen: the window covers its screen with the page alone, or
    // comes back as it was before, maximised or at its former geometry.
    void showPageFullscreen(bool fullscreen);

    // A short notice in the title bar's bubble that goes away by itself.
    void showNotice(const QString &text);

    // geometry as it is where its centre lies on a screen, else moved (and shrunk) into fallback.
    static QRect onAScreen(QRect geometry, const QRect &fallback);

    // Counts one usage event (first start, later start, refresh) and returns when it was sent.
    void sendStatBeacon(int kind);

protected slots:
    void on_return_home();
    void on_clear_cookie();
    void on_reflesh();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void createBrowser();
    // Sizes the browser's window to "webWidget".
    void placeBrowser();
    void sendStartBeacon();
    // The tracked browser with identifier id, or null.
    CefRefPtr<CefBrowser> findBrowser(int id);

    // The form: central widget, layout, "titleWidget" and "webWidget".
    std::unique_ptr<Ui::VantoroClientClass> ui;
    bool pageFullscreen_ = false;
    bool restoreMaximized_ = false;
    QRect restoreGeometry_;
    QMargins restoreMargins_;
};

#endif  // UI_VANTORO_CLIENT_H_
