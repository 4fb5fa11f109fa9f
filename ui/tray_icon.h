#ifndef UI_TRAY_ICON_H_
#define UI_TRAY_ICON_H_

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include "paths/settings_file.h"

class QAction;
class QIcon;

// The client's icon in the desktop's tray: a StatusNotifierItem where the desktop runs a watcher
// for them, the X11 tray otherwise, nothing where there is neither (then nothing else changes).
// A click on it asks for the window to show or hide; its menu shows the window, starts the small
// player, keeps the client in the tray when the window is closed (the viewer's choice, kept in the
// settings file, off by default), starts the client at login and ends it.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(const QIcon &icon, const QString &toolTip,
                      SettingsFile &settings = SettingsFile::client(), QObject *parent = nullptr);

    // Puts the icon into the tray, where there is one.
    void show();
    // Whether closing the window leaves the client running in the tray: the viewer chose it, and
    // there is a tray to bring the window back from.
    bool keepsWindowOnClose() const;

signals:
    void showRequested();
    void toggleRequested();
    void smallPlayerRequested();
    void quitRequested();

private:
    void chooseCloseToTray(bool keep);
    void chooseStartAtLogin(bool start);

    SettingsFile &settings_;
    QMenu menu_;
    QSystemTrayIcon icon_;
    QAction *closeToTray_;
    QAction *startAtLogin_;
};

#endif  // UI_TRAY_ICON_H_
