#ifndef UI_WINDOW_SETTINGS_H_
#define UI_WINDOW_SETTINGS_H_

#include <QList>
#include <QRect>
#include <QSize>

#include "paths/settings_file.h"

// How the viewer left the window: its normal geometry, whether it was maximised, and the page's
// zoom. Kept in the user's configuration folder under the application's names, apart from the
// data folder, so that clearing the cache keeps it; other parts of the client keep groups of their
// own in the same file.
class WindowSettings {
public:
    explicit WindowSettings(SettingsFile &file = SettingsFile::client());

    // Reads what was saved. Without a file, or with one that cannot be read or is damaged, nothing
    // is restored; the next save replaces a damaged file with a sound one.
    void load();

    bool hasGeometry() const { return has_geometry_; }
    QRect geometry() const { return geometry_; }
    bool maximized() const { return maximized_; }
    double zoom() const { return zoom_; }
    // The small player's place and size, beside the window's.
    bool hasPlayerGeometry() const { return has_player_geometry_; }
    QRect playerGeometry() const { return player_geometry_; }

    // Each writes the file at once.
    void saveWindow(const QRect &normal_geometry, bool maximized);
    void saveZoom(double zoom);
    void savePlayer(const QRect &geometry);

    // saved brought onto one of the screens (available areas, the primary first): at least
    // minimum in size and no larger than its screen; on the screen that holds its centre, with
    // the whole of it on that screen, or else centred on the primary screen.
    static QRect placed(const QRect &saved, const QSize &minimum, const QList<QRect> &screens);

private:
    SettingsFile &file_;
    bool has_geometry_ = false;
    QRect geometry_;
    bool maximized_ = false;
    double zoom_ = 1.0;
    bool has_player_geometry_ = false;
    QRect player_geometry_;
};

#endif  // UI_WINDOW_SETTINGS_H_
