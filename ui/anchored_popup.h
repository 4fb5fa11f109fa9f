#ifndef UI_ANCHORED_POPUP_H_
#define UI_ANCHORED_POPUP_H_

#include <QObject>
#include <QPointer>

class QEvent;
class QWidget;

// Places a small window next to a widget of the main window for as long as it shows: the
// notice bubble under its title-bar button, and any notice or question in the bubble's style.
// The small window becomes a frameless popup of the anchor's window, placed relative to that
// window: on Wayland, which ignores a program's placement of its own top-level windows, only
// such a popup shows where the program puts it. It takes no keyboard focus from the window;
// clicks reach it. Owned by the popup; set up before the popup first shows.
class AnchoredPopup : public QObject {
    Q_OBJECT

public:
    AnchoredPopup(QWidget *popup, QWidget *anchor);

    // Centres the popup under the anchor, its top edge on the anchor's bottom edge.
    void place();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *popup_;
    QPointer<QWidget> anchor_;
};

#endif  // UI_ANCHORED_POPUP_H_
