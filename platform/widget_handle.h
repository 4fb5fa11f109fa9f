// Window handles for widgets, as the engine API and the window functions of platform.h carry
// them. Declared apart from platform.h, which the Qt-free Windows build shares.
#ifndef PLATFORM_WIDGET_HANDLE_H_
#define PLATFORM_WIDGET_HANDLE_H_

#include "platform/platform.h"

class QWidget;

namespace platform {

// A handle standing for widget. Where native child windows are sound (X11) it is the widget's
// native window, created on the first call. Elsewhere a widget inside a window gets no native
// window of its own, as on Wayland a native child is a separate surface that the compositor may
// show a frame late or not at all, leaving its area blank: the handle is then a token for the
// widget, valid while the widget lives. A top-level widget always gets its native window.
WindowHandle handleOfWidget(QWidget *widget);

// The widget a handle from handleOfWidget (or a native window id) stands for; null when it is
// gone.
QWidget *widgetOfHandle(WindowHandle handle);

}  // namespace platform

#endif  // PLATFORM_WIDGET_HANDLE_H_
