#ifndef UI_EXTERNAL_LINK_QUESTION_H_
#define UI_EXTERNAL_LINK_QUESTION_H_

#include "ui/arrow_widget.h"

class QString;

// Asks the viewer whether a link the client cannot open may go to the desktop's handler:
// "打开外部应用？" over the link, "打开" on the left and "取消" on the right, in the notice's
// bubble. Either button closes it; closed otherwise, it has no answer.
class ExternalLinkQuestion : public ArrowWidget {
    Q_OBJECT

public:
    ExternalLinkQuestion(const QString &url, QWidget *parent);

signals:
    void answered(bool open);
};

#endif  // UI_EXTERNAL_LINK_QUESTION_H_
