#ifndef UI_TITLE_BAR_H_
#define UI_TITLE_BAR_H_

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class ArrowWidget;
class QLabel;
class QMouseEvent;
class QPushButton;
class QTimer;

// The strip in place of the system caption: title image, version, three page buttons (home,
// clear cache, reload) and three window buttons. Moves the window when dragged and toggles
// maximise on a double-click; page commands leave as signals.
class TitleBar : public QWidget {
    Q_OBJECT

public:
    explicit TitleBar(QWidget *parent = nullptr);

    // Shows text in the notice bubble, sized to fit it.
    void showNotice(const QString &text);
    // What bubbles of the notice's kind hang from: the clear-cache button, whose answers the
    // first notices were.
    QWidget *noticeAnchor() const;
    // Shows text in a bubble of the same look without an arrow at the top centre of area (global
    // coordinates), carried by window, where no title bar shows: the window's screen in full
    // screen, a pop-up's own window.
    void showTopNotice(const QString &text, QWidget *window, const QRect &area);

signals:
    void on_return_home();
    void on_clear_cookie();
    void on_reflesh();

private slots:
    void onClicked();
    void recordMessCloseCountTimer();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // Shows text in a bubble of width x height under the clear-cache button for 2500 ms.
    void popupMessage(QString text, int width, int height);
    int noticeWidth(const QString &text) const;
    // A new bubble around text, replacing any notice still showing.
    ArrowWidget *makeBubble(const QString &text, int width, int height, bool arrow);
    // Shows bubble, placed by the caller, until the notice time is over.
    void showBubble(ArrowWidget *bubble);

    QLabel *titleLabel_;
    QLabel *versionLabel_;
    QPushButton *returnHomeButton_;
    QPushButton *clearCookieButton_;
    QPushButton *refreshButton_;
    QPushButton *minimizeButton_;
    QPushButton *maximizeButton_;
    QPushButton *closeButton_;
    // The bubble deletes itself when closed, also by Escape: the guard then reads null.
    QPointer<ArrowWidget> messageWidget_;
    QTimer *messageTimer_;
    QLabel *messageLabel_;
};

#endif  // UI_TITLE_BAR_H_
