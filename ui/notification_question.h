#ifndef UI_NOTIFICATION_QUESTION_H_
#define UI_NOTIFICATION_QUESTION_H_

#include "ui/question_bubble.h"

// Asks the viewer whether a site may send notifications: "<host> 想要向你发送通知", "允许" on
// the left and "拒绝" on the right.
class NotificationQuestion : public QuestionBubble {
    Q_OBJECT

public:
    NotificationQuestion(const QString &host, QWidget *parent);
};

#endif  // UI_NOTIFICATION_QUESTION_H_
