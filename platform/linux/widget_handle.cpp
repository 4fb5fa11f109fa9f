#include "platform/widget_handle.h"

#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// Tokens by value; only the GUI thread hands out or looks up handles.
QHash<WindowHandle, QPointer<QWidget>> &tokens() {
    static QHash<WindowHandle, QPointer<QWidget>> table;
    return table;
}

bool nativeChildrenSound() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

WindowHandle handleOfWidget(QWidget *widget) {
    if (!widget) {
        return 0;
    }
    if (widget->isWindow() || nativeChildrenSound()) {
        return static_cast<WindowHandle>(widget->winId());
    }
    // The widget's address is unique among living widgets; the table tells a living widget from
    // a gone one that had the same address.
    const auto token = reinterpret_cast<WindowHandle>(widget);
    QPointer<QWidget> &entry = tokens()[token];
    if (entry != widget) {
        entry = widget;
        QObject::connect(widget, &QObject::destroyed, [token] { tokens().remove(token); });
    }
    return token;
}

QWidget *widgetOfHandle(WindowHandle handle) {
    if (handle == 0) {
        return nullptr;
    }
    const auto found = tokens().constFind(handle);
    if (found != tokens().constEnd()) {
        return found->data();
    }
    return QWidget::find(static_cast<WId>(handle));
}

}  // namespace platform
