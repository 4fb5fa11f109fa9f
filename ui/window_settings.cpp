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

// A value of the right type, or nothing: a number the viewer's hand or a damaged disk left in the
// file counts as missing.
bool readInt(const SettingsFile &settings, const char *key, int *value) {
    bool ok = false;
    *value = settings.value(QLatin1String(key)).toString().toInt(&ok);
    return ok;
}

}  // namespace

WindowSettings::WindowSettings(SettingsFile &file) : file_(file) {}

void WindowSettings::load() {
    const SettingsFile &settings = file_;
    // The next save writes the file anew, in sound form, with what Qt could make of the rest.
    if (settings.damaged()) {
        return;
    }
    int x, y, width, height;
    if (readInt(settings, kX, &x) && readInt(settings, kY, &y) &&
        readInt(settings, kWidth, &width) && readInt(settings, kHeight, &height) && width > 0 &&
        height > 0) {
        has_geometry_ = true;
        geometry_ = QRect(x, y, width, height);
        maximized_ = settings.value(QLatin1String(kMaximized)).toString() == QLatin1String("true");
    }
    bool ok = false;
    const double zoom = settings.value(QLatin1String(kZoom)).toString().toDouble(&ok);
    if (ok) {
        zoom_ = zoom_steps::bounded(zoom);
    }
}

void WindowSettings::saveWindow(const QRect &normal_geometry, bool maximized) {
    file_.setValue(QLatin1String(kX), normal_geometry.x());
    file_.setValue(QLatin1String(kY), normal_geometry.y());
    file_.setValue(QLatin1String(kWidth), normal_geometry.width());
    file_.setValue(QLatin1String(kHeight), normal_geometry.height());
    file_.setValue(QLatin1String(kMaximized), maximized);
    file_.save();
}

void WindowSettings::saveZoom(double zoom) {
    zoom_ = zoom;
    file_.setValue(QLatin1String(kZoom), zoom);
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
