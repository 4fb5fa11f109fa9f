#include "src/fullscreen_switch.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

FullscreenSwitch::FullscreenSwitch(QWebEngineView *view, std::function<void(bool)> report)
    : QObject(view), view_(view), report_(std::move(report)) {
    QWebEnginePage *page = view->page();
    // Off by default: pages are then refused without the request reaching the application.
    page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(page, &QWebEnginePage::fullScreenRequested, this,
            [this](QWebEngineFullScreenRequest request) { onRequest(request); });
    // A renderer that ends takes its full-screen element with it without a word.
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] { change(false); });
}

void FullscreenSwitch::onRequest(QWebEngineFullScreenRequest request) {
    request.accept();
    change(request.toggleOn());
}

void FullscreenSwitch::change(bool fullscreen) {
    if (fullscreen == active_) {
        return;
    }
    active_ = fullscreen;
    if (fullscreen) {
        // A window shortcut: the page's own Escape handlers do not see the key meanwhile, as in
        // any browser.
        escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), view_->window());
        escape_->setContext(Qt::WindowShortcut);
        connect(escape_, &QShortcut::activated, this,
                [this] { view_->page()->triggerAction(QWebEnginePage::ExitFullScreen); });
    } else {
        delete escape_;
    }
    if (view_->isWindow()) {
        switchOwnWindow(fullscreen);
    }
    report_(fullscreen);
}

void FullscreenSwitch::switchOwnWindow(bool fullscreen) {
    if (fullscreen) {
        was_maximized_ = view_->isMaximized();
        geometry_ = view_->geometry();
        view_->showFullScreen();
        return;
    }
    // The window system keeps a maximised window's normal geometry itself.
    if (was_maximized_) {
        view_->showMaximized();
    } else {
        view_->showNormal();
        // The screen that held the window may have gone meanwhile (a monitor unplugged).
        QRect geometry = geometry_;
        if (!QGuiApplication::screenAt(geometry.center())) {
            const QRect available = view_->screen()->availableGeometry();
            geometry.setSize(geometry.size().boundedTo(available.size()));
            geometry.moveCenter(available.center());
        }
        view_->setGeometry(geometry);
    }
}
