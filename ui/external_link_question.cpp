#include "ui/external_link_question.h"

#include <QString>

namespace {

constexpr int kWidth = 260;
constexpr int kHeight = 118;
// The bubble's 5-pixel margins and the text's 10-pixel ones.
constexpr int kTextMargins = 2 * 5 + 2 * 10;

}  // namespace

ExternalLinkQuestion::ExternalLinkQuestion(const QString &url, QWidget *parent)
    : QuestionBubble(parent) {
    const QString text = tr(u8"打开外部应用？");
    // Control characters would break the line or hide part of the link.
    QString shown = url.left(2048);
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            c = QChar(0xFFFD);
        }
    }
    build(text, {{text, 12, false}, {shown, 11, true}}, tr(u8"打开"), tr(u8"取消"), kWidth, kHeight,
          kWidth - kTextMargins);
}
