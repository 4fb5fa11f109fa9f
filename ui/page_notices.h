#ifndef UI_PAGE_NOTICES_H_
#define UI_PAGE_NOTICES_H_

#include <QString>

#include "browser/zoom_steps.h"

// The notices every window that shows a page gives the same way, the main window's and a pop-up's.
namespace page_notices {

inline const char kLeaveFullscreen[] = u8"按 Esc 即可退出全屏模式";

inline QString zoom(double factor) {
    return QStringLiteral("缩放: %1%").arg(zoom_steps::percentOf(factor));
}

}  // namespace page_notices

#endif  // UI_PAGE_NOTICES_H_
