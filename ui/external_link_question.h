#ifndef UI_EXTERNAL_LINK_QUESTION_H_
#define UI_EXTERNAL_LINK_QUESTION_H_

#include "ui/question_bubble.h"

// Asks the viewer whether a link the client cannot open may go to the desktop's handler:
// "打开外部应用？" over the link, "打开" on the left and "取消" on the right.
class ExternalLinkQuestion : public QuestionBubble {
    Q_OBJECT

public:
    ExternalLinkQuestion(const QString &url, QWidget *parent);
};

#endif  // UI_EXTERNAL_LINK_QUESTION_H_
