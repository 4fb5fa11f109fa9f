#include "ui/tool_tip_filter.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

ToolTipFilter::ToolTipFilter(QObject *parent) : QObject(parent) {}

bool ToolTipFilter::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::ToolTip) {
        return QObject::eventFilter(watched, event);
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->toolTip().isEmpty()) {
        return QObject::eventFilter(watched, event);
    }
    // Without a widget the tooltip no longer hides when the pointer leaves a rectangle of the
    // widget's; it hides on the pointer's next Leave, click or key press, as any tooltip does.
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), widget->toolTip(), nullptr,
                       QRect(), widget->toolTipDuration());
    return true;
}
