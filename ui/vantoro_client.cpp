#include "ui/vantoro_client.h"

#include <QFile>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QUrl>

#include "platform/platform.h"
#include "stats/stat_beacon.h"
#include "ui/drag_proxy.h"
#include "ui_vantoro_client.h"

namespace {

const char kFirstRunMarker[] = "first.txt";
constexpr int kResizeBorder = 8;

// The home page as the engine gets it, made anew wherever it is used.
CefString homePageUrl() {
    const QUrl url(QStringLiteral(VT_HOME_PAGE_URL), QUrl::TolerantMode);
    return CefString(url.toString().toStdString());
}

}  // namespace

VantoroClient::VantoroClient(QWidget *parent)
    : QMainWindow(parent),
      browserId(0),
      clearCacheRequested(false),
      handler(nullptr),
      ui(new Ui::VantoroClientClass) {
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

    createBrowser();
    sendStartBeacon();
}

VantoroClient::~VantoroClient() = default;

void VantoroClient::createBrowser() {
    const CefString url = homePageUrl();
    // Asking for the handle gives "webWidget" a native window of its own before the window shows;
    // start-up keeps its siblings plain widgets.
    const WId parent = ui->webWidget->winId();
    const QRect geometry = ui->webWidget->geometry();
    CefWindowInfo window_info;
    window_info.SetAsChild(parent, CefRect(0, 0, geometry.width(), geometry.height()));
    CefBrowserSettings browser_settings;
    handler = new SimpleHandler(this);
    CefBrowserHost::CreateBrowser(window_info, handler.get(), url, browser_settings, nullptr,
                                  nullptr);
}

void VantoroClient::sendStartBeacon() {
    // The marker lives in the working directory: a start from elsewhere counts as a first start.
    if (QFile::exists(QString::fromLatin1(kFirstRunMarker))) {
        sendStatBeacon(kStatLaterStart);
        return;
    }
    QFile marker(QString::fromLatin1(kFirstRunMarker));
    marker.open(QIODevice::WriteOnly | QIODevice::Text);
    marker.close();
    sendStatBeacon(kStatFirstStart);
}

void VantoroClient::sendStatBeacon(int kind) {
    ::sendStatBeacon(kind);
}

CefRefPtr<CefBrowser> VantoroClient::findBrowser(int id) {
    if (!handler) {
        return nullptr;
    }
    for (const CefRefPtr<CefBrowser> &browser : handler->GetBrowserList()) {
        if (browser->GetIdentifier() == id) {
            return browser;
        }
    }
    return nullptr;
}

void VantoroClient::on_return_home() {
    const CefString url = homePageUrl();
    CefRefPtr<CefBrowser> browser = findBrowser(browserId);
    if (!browser) {
        return;
    }
    browser->GetMainFrame()->LoadURL(url);
}

void VantoroClient::on_clear_cookie() {
    clearCacheRequested = true;
}

void VantoroClient::on_reflesh() {
    CefRefPtr<CefBrowser> browser = findBrowser(browserId);
    if (browser) {
        browser->Reload();
    }
    sendStatBeacon(kStatRefresh);
}

void VantoroClient::showPageFullscreen(bool fullscreen) {
    if (fullscreen == pageFullscreen_) {
        return;
    }
    pageFullscreen_ = fullscreen;
    QLayout *layout = ui->centralWidget->layout();
    if (fullscreen) {
        restoreMaximized_ = isMaximized();
        restoreGeometry_ = geometry();
        restoreMargins_ = layout->contentsMargins();
        ui->titleWidget->hide();
        layout->setContentsMargins(QMargins());
        showFullScreen();
        ui->titleWidget->showScreenNotice(QStringLiteral(u"按 Esc 即可退出全屏模式"),
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
    // The window's size may stay the same (maximised on a screen without panels) while the page's
    // area changes.
    layout->activate();
    placeBrowser();
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

void VantoroClient::resizeEvent(QResizeEvent *) {
    placeBrowser();
}

void VantoroClient::placeBrowser() {
    CefRefPtr<CefBrowser> browser = findBrowser(browserId);
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
