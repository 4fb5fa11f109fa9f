#ifndef UI_ARROW_WIDGET_H_
#define UI_ARROW_WIDGET_H_

#include <QDialog>
#include <QPainterPath>

// A speech bubble: a frameless, always-on-top dialog painting a white rounded body with an arrow
// on its top or bottom edge under a soft shadow, around one content widget. Closing destroys it.
// On a desktop that does not compose windows it is an opaque window in the bubble's shape.
class ArrowWidget : public QDialog {
    Q_OBJECT

public:
    explicit ArrowWidget(QWidget *parent = nullptr);

    // Setters for the bubble's user, called before setContentWidget and show(). An arrow of height
    // 0 leaves a plain rounded box.
    void setArrowAtBottom(bool atBottom);
    void setArrowOffset(int x);
    void setArrowSize(int width, int height);
    // Takes content into the bubble, with the margins of the arrow side chosen so far.
    void setContentWidget(QWidget *content);

    // The painted outline for the current size and arrow, in widget coordinates.
    QPainterPath bubblePath() const;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int arrowOffset_;
    int arrowWidth_;
    int arrowHeight_;
    int arrowAtBottom_;
    // Cut to its outline rather than translucent.
    bool shaped_;
};

#endif  // UI_ARROW_WIDGET_H_
