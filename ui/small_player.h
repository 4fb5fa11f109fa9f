#ifndef UI_SMALL_PLAYER_H_
#define UI_SMALL_PLAYER_H_

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

class QToolButton;

// The small frameless window that holds the page's area while its video plays there, above the
// other windows where the window system lets a program stay on top (X11, Windows; not Wayland).
// A drag anywhere moves it, a drag at its edges resizes it at 16:9; the close and mute controls
// show while the pointer moves over it. The page under it sees no mouse buttons meanwhile.
class SmallPlayer : public QWidget {
    Q_OBJECT

public:
    SmallPlayer();

    // content fills the window, which shows at geometry.
    void showWith(QWidget *content, const QRect &geometry);
    // Hides the window and hands back its content, its child until put elsewhere.
    QWidget *takeContent();
    void setMuted(bool muted);

signals:
    // Its close control, Escape, a double-click, or the window system's close.
    void leaveRequested();
    void muteToggled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showControls();
    void placeControls();
    Qt::Edges edgesAt(const QPoint &point) const;
    bool onPointer(QEvent *event);

    QPointer<QWidget> content_;
    QToolButton *close_;
    QToolButton *mute_;
    QTimer hideControls_;
    enum class Drag { kNone, kPressed, kMove, kResize } drag_ = Drag::kNone;
    Qt::Edges edges_;
    QPoint pressedAt_;
    QRect pressGeometry_;
};

#endif  // UI_SMALL_PLAYER_H_
