#include "ui/tray_icon.h"

#include <QAction>
#include <QIcon>

#include <cstdio>

#include "platform/platform.h"

namespace {

const char kCloseToTrayKey[] = "tray/closeToTray";

}  // namespace

TrayIcon::TrayIcon(const QIcon &icon, const QString &toolTip, SettingsFile &settings,
                   QObject *parent)
    : QObject(parent), settings_(settings), icon_(icon) {
    icon_.setToolTip(toolTip);
    connect(menu_.addAction(QStringLiteral(u"显示窗口")), &QAction::triggered, this,
            &TrayIcon::showRequested);
    connect(menu_.addAction(QStringLiteral(u"小窗播放")), &QAction::triggered, this,
            &TrayIcon::smallPlayerRequested);
    menu_.addSeparator();
    closeToTray_ = menu_.addAction(QStringLiteral(u"关闭窗口时最小化到托盘"));
    closeToTray_->setCheckable(true);
    closeToTray_->setChecked(settings_.value(QLatin1String(kCloseToTrayKey)).toBool());
    connect(closeToTray_, &QAction::toggled, this, &TrayIcon::chooseCloseToTray);
    startAtLogin_ = menu_.addAction(QStringLiteral(u"开机时启动"));
    startAtLogin_->setCheckable(true);
    // The desktop's own record, which the viewer may also have changed in its settings.
    startAtLogin_->setChecked(platform::startsAtLogin());
    connect(startAtLogin_, &QAction::triggered, this, &TrayIcon::chooseStartAtLogin);
    menu_.addSeparator();
    connect(menu_.addAction(QStringLiteral(u"退出")), &QAction::triggered, this,
            &TrayIcon::quitRequested);
    icon_.setContextMenu(&menu_);

    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    emit toggleRequested();
                }
            });
}

void TrayIcon::show() {
    icon_.show();
}

bool TrayIcon::keepsWindowOnClose() const {
    return closeToTray_->isChecked() && icon_.isVisible() &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::chooseCloseToTray(bool keep) {
    settings_.setValue(QLatin1String(kCloseToTrayKey), keep);
    settings_.save();
}

void TrayIcon::chooseStartAtLogin(bool start) {
    if (!platform::setStartAtLogin(start)) {
        std::fprintf(stderr, "vantoro-client: could not %s starting at login\n",
                     start ? "turn on" : "turn off");
    }
    startAtLogin_->setChecked(platform::startsAtLogin());
}
