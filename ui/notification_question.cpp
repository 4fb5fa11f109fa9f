#include "ui/notification_question.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QWidget>

namespace {

constexpr int kMinimumWidth = 220;
constexpr int kHeight = 100;
// The bubble's 5-pixel margins, the text's 10-pixel ones and some air.
constexpr int kTextMargins = 2 * 5 + 2 * 10 + 16;
// A host name can be as long as 253 characters; the bubble stays within a small window's width.
constexpr int kMaximumWidth = 420;
constexpr int kPixelSize = 12;

}  // namespace

NotificationQuestion::NotificationQuestion(const QString &host, QWidget *parent)
    : QuestionBubble(parent) {
    const QString text = tr(u8"%1 想要向你发送通知").arg(host);
    QFont font = this->font();
    font.setPixelSize(kPixelSize);
    const int width = qBound(
        kMinimumWidth, QFontMetrics(font).horizontalAdvance(text) + kTextMargins, kMaximumWidth);
    // Cut only where the bubble could not grow with it.
    const int elideWidth = width < kMaximumWidth ? QWIDGETSIZE_MAX : width - kTextMargins;
    build(text, {{text, kPixelSize, false}}, tr(u8"允许"), tr(u8"拒绝"), width, kHeight,
          elideWidth);
}
