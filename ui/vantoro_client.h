#ifndef UI_VANTORO_CLIENT_H_
#define UI_VANTORO_CLIENT_H_

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

#include "browser/main_page_window.h"
#include "browser/simple_handler.h"
#include "include/cef_browser.h"
#include "ui/window_settings.h"

class QCloseEvent;
class QScreen;
class TrayIcon;
class SmallPlayer;
namespace Ui {
class VantoroClientClass;
}

// The client's only window: frameless, the title bar on top and the site's page below it in
// "webWidget".
class VantoroClient : public QMainWindow, public MainPageWindow {
    Q_OBJECT

public:
    // firstPage, when not empty, is shown in place of the home page.
    explicit VantoroClient(QWidget *parent = nullptr, const QUrl &firstPage = QUrl());
    ~VantoroClient() override;

    // Set by the clear-cache command; the data folder is removed after the engine has shut down.
    bool clearCacheRequested;
    CefRefPtr<SimpleHandler> handler;

    // Shows the window as the viewer left it last time: where and as large as it was, maximised
    // if it was, never in full screen. The first time, or when that is not known, as designed.
    void showAsLeft();

    // The page entered or left full screen: the window covers its screen with the page alone, or
    // comes back as it was before, maximised or at its former geometry.
    void showPageFullscreen(bool fullscreen) override;
    // The viewer's own full screen (F11), in which the page may go full screen and back as well.
    // Turning it off while the page is in full screen ends the page's.
    void toggleWindowFullscreen() override;
    bool viewerFullscreen() const override { return windowFullscreen_; }
    void leaveWindowFullscreen() override;

    // The page put its video into picture-in-picture or took it out: the page's area moves into
    // the small player on top and the window hides, or both come back as they were.
    void showPagePictureInPicture(bool active) override;

    void reloadPage(bool ignoreCache) override;
    void zoomPage(int direction) override;
    // The page's zoom is now factor: it is remembered, and the viewer told.
    void pageZoomChanged(double factor) override;
    // The window's browser is there: it gets the zoom the viewer left it with, and the page area's
    // size as it is now, which may have changed while the engine was making it.
    void browserCreated() override;
    QObject *object() override { return this; }
    std::unique_ptr<PageWindow> popupWindow(QWidget *popup) override;

    // Brings the window back, out of the taskbar too, and to the front: for a later start, which
    // hands over the desktop's activation token it was given (empty without one).
    void showAgain(const QByteArray &activationToken);

    // Ends the client as the close button does when the window is not kept in the tray: every
    // window closes (this one saving its place), and the event loop ends.
    void quit();
    // The icon in the desktop's tray and its menu.
    TrayIcon *tray() const { return tray_; }

    // Brings the window back as showAgain does and shows page in it, a page of the site that a
    // link from outside the client asked for.
    void openPage(const QUrl &page, const QByteArray &activationToken);

    // The site's home page, the first page shown.
    static QUrl homePage();

    // A short notice in the title bar's bubble that goes away by itself.
    void showNotice(const QString &text) override;
    // The questions hang in a bubble where the notice shows.
    void askNotificationPermission(
        const QString &host, std::function<void(NotificationPermissions::Answer)> answer) override;
    void askExternalLink(const QString &url,
                         std::function<void(ExternalLinks::Answer)> answer) override;
    void bringToFront() override;

    // geometry as it is where its centre lies on a screen, else moved (and shrunk) into fallback.
    static QRect onAScreen(QRect geometry, const QRect &fallback);

    // Counts one usage event and returns when it was sent.
    void sendStatBeacon(int kind);

protected slots:
    void on_return_home();
    void on_clear_cookie();
    void on_reflesh();

    // After the three above, which keep their places among the window's methods.
public slots:
    // The page's playing video into the small player, as if the page had asked.
    void openSmallPlayer() override;

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createBrowser();
    // The window goes out of sight, the client keeps running in the tray; the page plays on.
    void hideToTray();
    // A click on the tray's icon: a window in sight goes into the tray, else it comes back.
    void toggleFromTray();
    // Keeps the least size within the available area of the screen the window is on.
    void followScreen(QScreen *shown);
    void fitLeastSize(QScreen *shown);
    // Full screen while the page or the viewer wants it.
    void updateFullscreen();
    // Sizes the browser's window to "webWidget".
    void placeBrowser();
    // The window's own browser, or null.
    CefRefPtr<CefBrowser> mainBrowser();
    // Into or out of the small player as the page last asked, unless it is there already.
    void followPlayerWanted();
    void enterSmallPlayer();
    // The window back as it was before the small player.
    void leaveSmallPlayer();
    // The page's area back below the title bar, the player's place remembered.
    void returnPage();
    QRect smallPlayerPlace() const;

    // The form: central widget, layout, "titleWidget" and "webWidget".
    std::unique_ptr<Ui::VantoroClientClass> ui;
    WindowSettings settings_;
    bool pageFullscreen_ = false;
    bool windowFullscreen_ = false;
    bool shownFullscreen_ = false;
    bool restoreMaximized_ = false;
    QRect restoreGeometry_;
    QMargins restoreMargins_;
    // The form's least sizes of the window and of "webWidget", for a screen large enough.
    QSize formLeastSize_;
    QSize formLeastPageSize_;
    QMetaObject::Connection screenArea_;
    // The page the window's browser shows first, and one a link asked for before it was there.
    QUrl firstPage_;
    QUrl pendingPage_;
    TrayIcon *tray_;
    bool quitting_ = false;
    bool inTray_ = false;
    std::unique_ptr<SmallPlayer> player_;
    bool playerShown_ = false;
    bool playerWanted_ = false;
    QTimer windowSettling_;
    // The window as it was before the small player.
    bool playerRestoreMaximized_ = false;
    QRect playerRestoreGeometry_;
    QSize pageLeastSize_;
    // Where in the page the keyboard was, for its return.
    QPointer<QWidget> pageFocus_;
};

#endif  // UI_VANTORO_CLIENT_H_
