#include "src/renderer_end_watch.h"

#include <QDialog>
#include <QSocketNotifier>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "platform/platform.h"

RendererEndWatch::RendererEndWatch(QWebEngineView *view) : QObject(view), view_(view) {
    QWebEnginePage *page = view->page();
    // Qt WebEngine 6.4 does not report every new renderer by itself; each load may have one.
    connect(page, &QWebEnginePage::renderProcessPidChanged, this,
            [this](qint64 pid) { watch(pid); });
    connect(page, &QWebEnginePage::loadingChanged, this,
            [this, page] { watch(page->renderProcessPid()); });
}

RendererEndWatch::~RendererEndWatch() {
    stop();
}

void RendererEndWatch::watch(qint64 pid) {
    if (pid == pid_ && handle_ >= 0) {
        return;
    }
    stop();
    pid_ = pid;
    handle_ = platform::watchProcessEnd(pid);
    if (handle_ < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(handle_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        stop();
        dismissDialogs();
    });
}

void RendererEndWatch::stop() {
    delete notifier_;
    notifier_ = nullptr;
    platform::closeProcessWatch(handle_);
    handle_ = -1;
}

void RendererEndWatch::dismissDialogs() {
    // The program shows no modal dialogs of its own in the page's window.
    for (QDialog *dialog : view_->window()->findChildren<QDialog *>()) {
        if (dialog->isModal() && dialog->isVisible()) {
            dialog->reject();
        }
    }
}
