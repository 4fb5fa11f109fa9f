#ifndef UI_NOTIFICATION_QUESTION_H_
#define UI_NOTIFICATION_QUESTION_H_

#include "ui/arrow_widget.h"

class QString;

// Asks the viewer whether a site may send notifications: "<host> 想要向你发送通知" in the
// notice's bubble, "允许" on the left and "拒绝" on the right. Either button closes it; closed
// otherwise, it has no answer.
class NotificationQuestion : public ArrowWidget {
    Q_OBJECT

public:
    NotificationQuestion(const QString &host, QWidget *parent);

signals:
    void answered(bool allowed);
};

#endif  // UI_NOTIFICATION_QUESTION_H_
