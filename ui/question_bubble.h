#ifndef UI_QUESTION_BUBBLE_H_
#define UI_QUESTION_BUBBLE_H_

#include <QString>

#include <vector>

#include "ui/arrow_widget.h"

// A question to the viewer in the notice's bubble: lines of plain text over two buttons, the
// answer that goes ahead on the left in the site's colour and the one that declines on the
// right. Either button closes it; closed otherwise, it has no answer.
class QuestionBubble : public ArrowWidget {
    Q_OBJECT

signals:
    void answered(bool yes);

protected:
    struct Line {
        QString text;
        int pixelSize;
        // Grey rather than the question's own colour, for what the question is about.
        bool muted;
    };

    explicit QuestionBubble(QWidget *parent);
    // Lays the bubble out at width × height. A line wider than elideWidth loses its middle; the
    // texts may be the page's, so they are never read as markup.
    void build(const QString &question, const std::vector<Line> &lines, const QString &yes,
               const QString &no, int width, int height, int elideWidth);
};

#endif  // UI_QUESTION_BUBBLE_H_
