#include "ui/vantoro_client.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include "browser/zoom_steps.h"
#include "platform/platform.h"
#include "platform/widget_handle.h"
#include "stats/stat_beacon.h"
#include "ui/anchored_popup.h"
#include "ui/drag_proxy.h"
#include "ui/external_link_question.h"
#include "ui/notification_question.h"
#include "ui/page_notices.h"
#include "ui/popup_window.h"
#include "ui/small_player.h"
#include "ui/small_player_geometry.h"
#include "ui/tray_icon.h"
#include "ui_vantoro_client.h"

namespace {

constexpr int kResizeBorder = 8;
// How long the window system has to follow one change of the small player before the next.
constexpr int kWindowSettleMs = 200;

CefString engineUrl(const QUrl &url) {
    return CefString(url.toString(QUrl::FullyEncoded).toStdString());
}

// The screens' available areas, the primary one first.
QList<QRect> availableAreas() {
    QList<QRect> screens;
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        screens.append(primary->availableGeometry());
    }
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen()) {
            screens.append(screen->availableGeometry());
        }
    }
    return screens;
}

}  // namespace

VantoroClient::VantoroClient(QWidget *parent, const QUrl &firstPage)
    : QMainWindow(parent),
      clearCacheRequested(false),
      handler(nullptr),
      ui(new Ui::VantoroClientClass),
      firstPage_(firstPage.isEmpty() ? homePage() : firstPage),
      tray_(nullptr) {
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);

    auto *dragProxy = new DragProxy(this);
    dragProxy->setBorderWidth(kResizeBorder, kResizeBorder, kResizeBorder, kResizeBorder);

    // The form's automatic connections would take these slots for ones of objects named "return"
    // and "clear"; they are connected here, to the title bar's signals of the same names.
    connect(ui->titleWidget, SIGNAL(on_return_home()), this, SLOT(on_return_home()));
    connect(ui->titleWidget, SIGNAL(on_clear_cookie()), this, SLOT(on_clear_cookie()));
    connect(ui->titleWidget, SIGNAL(on_reflesh()), this, SLOT(on_reflesh()));

    ui->webWidget->installEventFilter(this);

    tray_ =
        new TrayIcon(windowIcon(), QStringLiteral(u"Vantoro 客户端"), SettingsFile::client(), this);
    connect(tray_, &TrayIcon::showRequested, this, [this] { showAgain(QByteArray()); });
    connect(tray_, &TrayIcon::toggleRequested, this, &VantoroClient::toggleFromTray);
    connect(tray_, &TrayIcon::quitRequested, this, &VantoroClient::quit);
    connect(tray_, &TrayIcon::smallPlayerRequested, this, &VantoroClient::openSmallPlayer);
    windowSettling_.setSingleShot(true);
    windowSettling_.setInterval(kWindowSettleMs);
    connect(&windowSettling_, &QTimer::timeout, this, &VantoroClient::followPlayerWanted);

    formLeastSize_ = minimumSize();
    formLeastPageSize_ = ui->webWidget->minimumSize();
    fitLeastSize(QGuiApplication::primaryScreen());

    settings_.load();
    if (settings_.hasGeometry()) {
        setGeometry(WindowSettings::placed(settings_.geometry(), minimumSize(), availableAreas()));
    } else if (QScreen *primary = QGuiApplication::primaryScreen()) {
        const QRect area = primary->availableGeometry();
        if (!area.contains(QRect(area.topLeft(), size()))) {
            QRect fitted(QPoint(), size().boundedTo(area.size()));
            fitted.moveCenter(area.center());
            setGeometry(fitted);
        }
    }

    createBrowser();
}

VantoroClient::~VantoroClient() {
    // An open question answers "none" as it goes, while the handler that waits for it is still
    // there.
    qDeleteAll(findChildren<NotificationQuestion *>());
    qDeleteAll(findChildren<ExternalLinkQuestion *>());
}

QUrl VantoroClient::homePage() {
    return QUrl(QStringLiteral(VT_HOME_PAGE_URL), QUrl::TolerantMode);
}

void VantoroClient::createBrowser() {
    const CefString url = engineUrl(firstPage_);
    // On X11 asking for the handle gives "webWidget" a native window of its own before the window
    // shows; start-up keeps its siblings plain widgets.
    const platform::WindowHandle parent = platform::handleOfWidget(ui->webWidget);
    const QRect geometry = ui->webWidget->geometry();
    CefWindowInfo window_info;
    window_info.SetAsChild(parent, CefRect(0, 0, geometry.width(), geometry.height()));
    CefBrowserSettings browser_settings;
    // The page area stays as black as "webWidget" until the site paints.
    browser_settings.background_color = CefColorSetARGB(255, 0, 0, 0);
    handler = new SimpleHandler(this);
    CefBrowserHost::CreateBrowser(window_info, handler.get(), url, browser_settings, nullptr,
                                  nullptr);
}

void VantoroClient::sendStatBeacon(int kind) {
    ::sendStatBeacon(kind);
}

CefRefPtr<CefBrowser> VantoroClient::mainBrowser() {
    return handler ? handler->MainBrowser() : nullptr;
}

void VantoroClient::on_return_home() {
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (!browser) {
        return;
    }
    handler->StopRetrying();
    browser->GetMainFrame()->LoadURL(engineUrl(homePage()));
}

void VantoroClient::openPage(const QUrl &page, const QByteArray &activationToken) {
    showAgain(activationToken);
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (!browser) {
        // The engine makes the browser on its own time; the page waits for it.
        pendingPage_ = page;
        return;
    }
    handler->StopRetrying();
    browser->GetMainFrame()->LoadURL(engineUrl(page));
}

void VantoroClient::on_clear_cookie() {
    clearCacheRequested = true;
}

void VantoroClient::on_reflesh() {
    reloadPage(false);
}

void VantoroClient::reloadPage(bool ignoreCache) {
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (browser) {
        handler->ReloadPage(browser, ignoreCache);
    }
    sendStatBeacon(kStatRefresh);
}

void VantoroClient::zoomPage(int direction) {
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (!browser) {
        return;
    }
    const double now = zoom_steps::factorOf(browser->GetHost()->GetZoomLevel());
    const double next = zoom_steps::next(now, direction);
    browser->GetHost()->SetZoomLevel(zoom_steps::levelOf(next));
    pageZoomChanged(next);
}

void VantoroClient::pageZoomChanged(double factor) {
    settings_.saveZoom(factor);
    showNotice(page_notices::zoom(factor));
}

void VantoroClient::browserCreated() {
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (browser) {
        browser->GetHost()->SetZoomLevel(zoom_steps::levelOf(settings_.zoom()));
        if (!pendingPage_.isEmpty()) {
            browser->GetMainFrame()->LoadURL(engineUrl(pendingPage_));
            pendingPage_.clear();
        }
    }
    placeBrowser();
}

void VantoroClient::showAsLeft() {
    if (settings_.hasGeometry() && settings_.maximized()) {
        showMaximized();
    } else {
        show();
    }
    tray_->show();
    connect(windowHandle(), &QWindow::screenChanged, this, &VantoroClient::followScreen);
    followScreen(windowHandle()->screen());
    // Once the window shows: only a page that failed for want of the network needs it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (handler) {
                handler->WatchNetwork();
            }
        },
        Qt::QueuedConnection);
}

void VantoroClient::followScreen(QScreen *shown) {
    disconnect(screenArea_);
    if (shown) {
        screenArea_ = connect(shown, &QScreen::availableGeometryChanged, this,
                              [this, shown] { fitLeastSize(shown); });
    }
    fitLeastSize(shown);
}

void VantoroClient::fitLeastSize(QScreen *shown) {
    if (!shown) {
        return;
    }
    // A window larger than the screen would put its title bar's buttons off it, where no click
    // reaches them: the least size gives way to the screen's available area.
    const QSize area = shown->availableGeometry().size();
    const QSize least = formLeastSize_.boundedTo(area);
    const QSize leastPage = formLeastPageSize_ - (formLeastSize_ - least);
    // While the page's area is in the small player it gets its least size back with the window.
    if (playerShown_) {
        pageLeastSize_ = leastPage;
    } else {
        ui->webWidget->setMinimumSize(leastPage);
    }
    ui->centralWidget->setMinimumSize(least);
    setMinimumSize(least);
    const QSize fitted = size().boundedTo(area);
    if (isVisible() && !isMaximized() && !isFullScreen() && fitted != size()) {
        resize(fitted);
    }
}

void VantoroClient::closeEvent(QCloseEvent *event) {
    if (!quitting_ && tray_->keepsWindowOnClose()) {
        event->ignore();
        hideToTray();
        return;
    }
    // Full screen and the small player are left out: the next start shows the window as it was
    // before them.
    bool maximized = shownFullscreen_ ? restoreMaximized_ : isMaximized();
    QRect normal = shownFullscreen_ && !restoreMaximized_ ? restoreGeometry_ : normalGeometry();
    if (playerShown_) {
        maximized = playerRestoreMaximized_;
        normal = playerRestoreGeometry_;
        if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
            browser->GetHost()->SetPictureInPicture(false);
        }
        returnPage();
    }
    settings_.saveWindow(normal, maximized);
    if (handler) {
        handler->WithdrawNotifications();
    }
    QMainWindow::closeEvent(event);
}

void VantoroClient::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    inTray_ = false;
    QGuiApplication::setQuitOnLastWindowClosed(true);
}

void VantoroClient::hideToTray() {
    // Closing another window (the developer tools, a pop-up) while this one is out of sight must
    // not end the client.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    inTray_ = true;
    hide();
}

void VantoroClient::toggleFromTray() {
    if (isVisible() && !isMinimized()) {
        hideToTray();
    } else {
        showAgain(QByteArray());
    }
}

void VantoroClient::quit() {
    quitting_ = true;
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QApplication::closeAllWindows();
    // A window in the tray is out of sight, where closing all windows passes it by.
    if (inTray_) {
        close();
    }
    QCoreApplication::quit();
}

void VantoroClient::showPageFullscreen(bool fullscreen) {
    pageFullscreen_ = fullscreen;
    updateFullscreen();
}

void VantoroClient::toggleWindowFullscreen() {
    if (!shownFullscreen_) {
        windowFullscreen_ = true;
        updateFullscreen();
        return;
    }
    windowFullscreen_ = false;
    if (pageFullscreen_) {
        // The page leaves as if it had asked to; the engine then reports the change.
        if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
            browser->GetMainFrame()->ExecuteJavaScript("document.exitFullscreen()", "", 0);
        }
        return;
    }
    updateFullscreen();
}

void VantoroClient::leaveWindowFullscreen() {
    windowFullscreen_ = false;
    updateFullscreen();
}

void VantoroClient::updateFullscreen() {
    const bool fullscreen = pageFullscreen_ || windowFullscreen_;
    if (fullscreen == shownFullscreen_) {
        return;
    }
    shownFullscreen_ = fullscreen;
    QLayout *layout = ui->centralWidget->layout();
    if (fullscreen) {
        restoreMaximized_ = isMaximized();
        restoreGeometry_ = geometry();
        restoreMargins_ = layout->contentsMargins();
        ui->titleWidget->hide();
        layout->setContentsMargins(QMargins());
        showFullScreen();
        ui->titleWidget->showTopNotice(QString::fromUtf8(page_notices::kLeaveFullscreen), this,
                                       screen()->geometry());
    } else {
        ui->titleWidget->show();
        layout->setContentsMargins(restoreMargins_);
        if (restoreMaximized_) {
            showMaximized();
        } else {
            showNormal();
            setGeometry(onAScreen(restoreGeometry_, screen()->availableGeometry()));
        }
    }
}

void VantoroClient::openSmallPlayer() {
    if (playerShown_) {
        player_->raise();
        player_->activateWindow();
        return;
    }
    if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
        browser->GetHost()->SetPictureInPicture(true);
    }
}

void VantoroClient::showPagePictureInPicture(bool active) {
    playerWanted_ = active;
    if (!windowSettling_.isActive()) {
        followPlayerWanted();
    }
}

void VantoroClient::followPlayerWanted() {
    if (playerWanted_ == playerShown_) {
        return;
    }
    if (playerWanted_) {
        enterSmallPlayer();
    } else {
        leaveSmallPlayer();
    }
    // A window that maps again before the window manager has dealt with its unmapping can stay
    // unmapped for good (seen under openbox): the next change waits, and then follows whatever
    // the page wants by then.
    windowSettling_.start();
}

void VantoroClient::leaveSmallPlayer() {
    returnPage();
    if (playerRestoreMaximized_) {
        showMaximized();
    } else {
        setGeometry(onAScreen(playerRestoreGeometry_, screen()->availableGeometry()));
        showNormal();
    }
    raise();
    activateWindow();
    if (pageFocus_ && ui->webWidget->isAncestorOf(pageFocus_)) {
        pageFocus_->setFocus();
    }
}

void VantoroClient::enterSmallPlayer() {
    playerRestoreMaximized_ = shownFullscreen_ ? restoreMaximized_ : isMaximized();
    playerRestoreGeometry_ = shownFullscreen_ ? restoreGeometry_ : normalGeometry();
    if (shownFullscreen_) {
        // The small player replaces full screen, as the page's element would otherwise stay
        // above the video.
        if (pageFullscreen_) {
            if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
                browser->GetMainFrame()->ExecuteJavaScript("document.exitFullscreen()", "", 0);
            }
        }
        pageFullscreen_ = false;
        windowFullscreen_ = false;
        updateFullscreen();
    }
    if (!player_) {
        player_ = std::make_unique<SmallPlayer>();
        connect(player_.get(), &SmallPlayer::leaveRequested, this, [this] {
            if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
                browser->GetHost()->SetPictureInPicture(false);
            }
            showPagePictureInPicture(false);
        });
        connect(player_.get(), &SmallPlayer::muteToggled, this, [this] {
            if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
                const bool muted = !browser->GetHost()->IsAudioMuted();
                browser->GetHost()->SetAudioMuted(muted);
                player_->setMuted(muted);
            }
        });
    }
    playerShown_ = true;
    pageFocus_ = QApplication::focusWidget();
    pageLeastSize_ = ui->webWidget->minimumSize();
    ui->webWidget->setMinimumSize(QSize());
    ui->centralWidget->layout()->removeWidget(ui->webWidget);
    player_->setWindowTitle(windowTitle());
    player_->showWith(ui->webWidget, smallPlayerPlace());
    hide();
}

void VantoroClient::returnPage() {
    playerShown_ = false;
    settings_.savePlayer(player_->geometry());
    if (CefRefPtr<CefBrowser> browser = mainBrowser()) {
        // The mute was the small player's: the full window has no control to undo it.
        browser->GetHost()->SetAudioMuted(false);
        player_->setMuted(false);
    }
    QWidget *page = player_->takeContent();
    // A window shown again soon after it was hidden can stay unmapped under some window managers
    // (openbox, on a busy machine): each entry gets a player window of its own. This may run
    // inside the player's own signal, hence the deferred deletion.
    player_.release()->deleteLater();
    ui->centralWidget->layout()->addWidget(page);
    page->setMinimumSize(pageLeastSize_);
    page->show();
}

QRect VantoroClient::smallPlayerPlace() const {
    if (settings_.hasPlayerGeometry()) {
        return SmallPlayerGeometry::placed(settings_.playerGeometry(), availableAreas());
    }
    return SmallPlayerGeometry::initial(screen()->availableGeometry());
}

void VantoroClient::showAgain(const QByteArray &activationToken) {
    // A Wayland compositor brings a window to the front, minimised or not, only when asked with
    // a token it handed out; the toolkit passes on the one in the environment with the next
    // activation request and then removes it.
    if (!activationToken.isEmpty() &&
        QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    }
    bringToFront();
}

QRect VantoroClient::onAScreen(QRect geometry, const QRect &fallback) {
    // The screen that held the window may have gone meanwhile (a monitor unplugged).
    if (!QGuiApplication::screenAt(geometry.center())) {
        geometry.setSize(geometry.size().boundedTo(fallback.size()));
        geometry.moveCenter(fallback.center());
    }
    return geometry;
}

void VantoroClient::showNotice(const QString &text) {
    ui->titleWidget->showNotice(text);
}

std::unique_ptr<PageWindow> VantoroClient::popupWindow(QWidget *popup) {
    return std::make_unique<PopupWindow>(popup, ui->titleWidget);
}

void VantoroClient::askNotificationPermission(
    const QString &host, std::function<void(NotificationPermissions::Answer)> answer) {
    auto *question = new NotificationQuestion(host, this);
    auto answered = std::make_shared<bool>(false);
    connect(question, &NotificationQuestion::answered, this, [answer, answered](bool allowed) {
        *answered = true;
        answer(allowed ? NotificationPermissions::Answer::kAllow
                       : NotificationPermissions::Answer::kDeny);
    });
    connect(question, &QObject::destroyed, this, [answer, answered] {
        if (!*answered) {
            answer(NotificationPermissions::Answer::kNone);
        }
    });
    new AnchoredPopup(question, ui->titleWidget->noticeAnchor());
    question->show();
}

void VantoroClient::askExternalLink(const QString &url,
                                    std::function<void(ExternalLinks::Answer)> answer) {
    auto *question = new ExternalLinkQuestion(url, this);
    auto answered = std::make_shared<bool>(false);
    connect(question, &ExternalLinkQuestion::answered, this, [answer, answered](bool open) {
        *answered = true;
        answer(open ? ExternalLinks::Answer::kOpen : ExternalLinks::Answer::kCancel);
    });
    connect(question, &QObject::destroyed, this, [answer, answered] {
        if (!*answered) {
            answer(ExternalLinks::Answer::kNone);
        }
    });
    new AnchoredPopup(question, ui->titleWidget->noticeAnchor());
    question->show();
}

void VantoroClient::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void VantoroClient::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && handler) {
        handler->SetWindowMinimised(isMinimized());
    }
}

bool VantoroClient::eventFilter(QObject *watched, QEvent *event) {
    // The page area's own size, not the window's: the layout sets it after the window's resize,
    // at the first show, when the title bar hides for full screen, and when the screen's scale
    // changes.
    if (watched == ui->webWidget && event->type() == QEvent::Resize) {
        placeBrowser();
    }
    return QMainWindow::eventFilter(watched, event);
}

void VantoroClient::placeBrowser() {
    CefRefPtr<CefBrowser> browser = mainBrowser();
    if (!browser) {
        return;
    }
    const CefWindowHandle browser_window = browser->GetHost()->GetWindowHandle();
    if (!browser_window) {
        return;
    }
    const QRect geometry = ui->webWidget->geometry();
    platform::placeChildWindow(browser_window, 0, 0, geometry.width(), geometry.height());
}
