#include "ui/window_settings.h"

#include <algorithm>

#include "browser/zoom_steps.h"
#include "paths/settings_file.h"

namespace {

const char kX[] = "window/x";
const char kY[] = "window/y";
const char kWidth[] = "window/width";
const char kHeight[] = "window/height";
const char kMaximized[] = "window/maximized";
const char kZoom[] = "page/zoom";
const char kPlayerX[] = "player/x";
const char kPlayerY[] = "player/y";
const char kPlayerWidth[] = "player/width";
const char kPlayerHeight[] = "player/height";

// A value of the right type, or nothing: a number the viewer's hand or a damaged disk left in the
// file counts as missing.
bool readInt(const SettingsFile &settings, const char *key, int *value) {
    bool ok = false;
    *value = settings.value(QLatin1String(key)).toString().toInt(&ok);
    return ok;
}

bool readRect(const SettingsFile &settings, const char *const keys[4], QRect *rect) {
    int x, y, width, height;
    if (!readInt(settings, keys[0], &x) || !readInt(settings, keys[1], &y) ||
        !readInt(settings, keys[2], &width) || !readInt(settings, keys[3], &height) || width <= 0 ||
        height <= 0) {
        return false;
    }
    *rect = QRect(x, y, width, height);
    return true;
}

void writeRect(SettingsFile &settings, const char *const keys[4], const QRect &rect) {
    settings.setValue(QLatin1String(keys[0]), rect.x());
    settings.setValue(QLatin1String(keys[1]), rect.y());
    settings.setValue(QLatin1String(keys[2]), rect.width());
    settings.setValue(QLatin1String(keys[3]), rect.height());
}

const char *const kWindowKeys[4] = {kX, kY, kWidth, kHeight};
const char *const kPlayerKeys[4] = {kPlayerX, kPlayerY, kPlayerWidth, kPlayerHeight};

}  // namespace

WindowSettings::WindowSettings(SettingsFile &file) : file_(file) {}

void WindowSettings::load() {
    const SettingsFile &settings = file_;
    // The next save writes the file anew, in sound form, with what Qt could make of the rest.
    if (settings.damaged()) {
        return;
    }
    if (readRect(settings, kWindowKeys, &geometry_)) {
        has_geometry_ = true;
        maximized_ = settings.value(QLatin1String(kMaximized)).toString() == QLatin1String("true");
    }
    has_player_geometry_ = readRect(settings, kPlayerKeys, &player_geometry_);
    bool ok = false;
    const double zoom = settings.value(QLatin1String(kZoom)).toString().toDouble(&ok);
    if (ok) {
        zoom_ = zoom_steps::bounded(zoom);
    }
}

void WindowSettings::saveWindow(const QRect &normal_geometry, bool maximized) {
    writeRect(file_, kWindowKeys, normal_geometry);
    file_.setValue(QLatin1String(kMaximized), maximized);
    file_.save();
}

void WindowSettings::saveZoom(double zoom) {
    zoom_ = zoom;
    file_.setValue(QLatin1String(kZoom), zoom);
    file_.save();
}

void WindowSettings::savePlayer(const QRect &geometry) {
    has_player_geometry_ = true;
    player_geometry_ = geometry;
    writeRect(file_, kPlayerKeys, geometry);
    file_.save();
}

QRect WindowSettings::placed(const QRect &saved, const QSize &minimum,
                             const QList<QRect> &screens) {
    if (screens.isEmpty()) {
        return QRect(saved.topLeft(), saved.size().expandedTo(minimum));
    }
    const QRect *screen = nullptr;
    for (const QRect &candidate : screens) {
        if (candidate.contains(saved.center())) {
            screen = &candidate;
            break;
        }
    }
    const QRect &area = screen ? *screen : screens.first();
    QRect result(saved.topLeft(), saved.size().boundedTo(area.size()).expandedTo(minimum));
    if (!screen) {
        result.moveCenter(area.center());
        return result;
    }
    // The title bar is the only handle the window has, and its buttons sit at its right end: the
    // whole window comes onto the screen, which it fits.
    result.moveLeft(std::clamp(result.left(), area.left(), area.right() - result.width() + 1));
    result.moveTop(std::clamp(result.top(), area.top(), area.bottom() - result.height() + 1));
    return result;
}
