#ifndef UI_TOOL_TIP_FILTER_H_
#define UI_TOOL_TIP_FILTER_H_

#include <QObject>

// Shows the tooltips of the widgets it watches outside their style-sheet cascade.
//
// A tooltip takes the style sheets of the widget it belongs to and of that widget's parents. The
// title bar's transparent background thus reaches its buttons' tooltips, and a transparent
// top-level window without a compositing manager is drawn black: black text on black. Shown
// without a widget, the tooltip keeps the platform's own colours.
class ToolTipFilter : public QObject {
    Q_OBJECT

public:
    explicit ToolTipFilter(QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif  // UI_TOOL_TIP_FILTER_H_
