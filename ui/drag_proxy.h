#ifndef UI_DRAG_PROXY_H_
#define UI_DRAG_PROXY_H_

#include <QObject>
#include <QRect>

class QPoint;
class QWidget;

// Gives a frameless widget its resize edges back: resize cursors along bands at its borders and
// corners, and a left-button drag there resizes it within its minimum and maximum size. Where the
// window system takes the drag (Wayland, and X11 window managers that announce
// _NET_WM_MOVERESIZE) it is handed over.
class DragProxy : public QObject {
    Q_OBJECT

public:
    enum WidgetRegion {
        Top = 0,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left,
        TopLeft,
        Inner,
        None
    };

    explicit DragProxy(QWidget *widget);

    void setBorderWidth(int top, int right, int bottom, int left);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateRegions();
    WidgetRegion regionAt(const QPoint &point) const;
    void resizeIfAllowed(int x, int y, int width, int height);
    void stopCursorTimer();
    // Asks the window system to resize the window by the edges of region, following the pointer.
    bool handOverResize(int region, QPoint pressedAt);

    QWidget *widget_;
    int top_;
    int right_;
    int bottom_;
    int left_;
    QRect regions_[9];
    int pressX_;
    int pressY_;
    QRect pressGeometry_;
    bool pressed_;
    int pressRegion_;
    int cursorTimerId_;
    const bool placedByWindowSystem_;
};

#endif  // UI_DRAG_PROXY_H_
