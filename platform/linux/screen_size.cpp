#include <QGuiApplication>
#include <QScreen>

#include "platform/platform.h"

namespace platform {

void primaryScreenSize(int &width, int &height) {
    width = 0;
    height = 0;
    if (!qGuiApp) {
        return;
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // Physical pixels, as the system's own metrics report them.
        const QSize size = screen->size() * screen->devicePixelRatio();
        width = size.width();
        height = size.height();
    }
}

}  // namespace platform
