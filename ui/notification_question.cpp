#include "ui/notification_question.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumWidth = 220;
constexpr int kHeight = 100;
// The bubble's 5-pixel margins, the text's 10-pixel ones and some air.
constexpr int kTextMargins = 2 * 5 + 2 * 10 + 16;
// A host name can be as long as 253 characters; the bubble stays within a small window's width.
constexpr int kMaximumWidth = 420;

const char kTextStyle[] = "font:12px;color:rgb(46, 49, 51);background:transparent;";
const char kButtonStyle[] =
    "QPushButton{font:12px;color:rgb(46, 49, 51);background:rgb(242, 243, 245);border:none;"
    "border-radius:3px;min-height:24px;}"
    "QPushButton:hover{background:rgb(228, 230, 235);}";
const char kAllowStyle[] =
    "QPushButton{font:12px;color:white;background:rgb(255, 80, 98);border:none;"
    "border-radius:3px;min-height:24px;}"
    "QPushButton:hover{background:rgb(235, 60, 80);}";

QPushButton *makeButton(const QString &text, const char *style, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    button->setStyleSheet(QString::fromLatin1(style));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

NotificationQuestion::NotificationQuestion(const QString &host, QWidget *parent)
    : ArrowWidget(parent) {
    // Never what holds the application open.
    setAttribute(Qt::WA_QuitOnClose, false);
    const QString text = tr(u8"%1 想要向你发送通知").arg(host);
    setAccessibleName(text);

    auto *content = new QWidget;
    auto *label = new QLabel(content);
    label->setStyleSheet(QString::fromLatin1(kTextStyle));
    // The host is the page's to choose.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(text);
    QFont font = label->font();
    font.setPixelSize(12);
    const int width = qBound(
        kMinimumWidth, QFontMetrics(font).horizontalAdvance(text) + kTextMargins, kMaximumWidth);
    label->setText(width < kMaximumWidth ? text
                                         : QFontMetrics(font).elidedText(text, Qt::ElideMiddle,
                                                                         width - kTextMargins));

    QPushButton *allow = makeButton(tr(u8"允许"), kAllowStyle, content);
    QPushButton *deny = makeButton(tr(u8"拒绝"), kButtonStyle, content);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(allow);
    buttons->addWidget(deny);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(10, 4, 10, 6);
    layout->addWidget(label);
    layout->addLayout(buttons);

    connect(allow, &QPushButton::clicked, this, [this] {
        emit answered(true);
        close();
    });
    connect(deny, &QPushButton::clicked, this, [this] {
        emit answered(false);
        close();
    });

    setArrowAtBottom(false);
    setArrowOffset((width - 20) / 2);
    setArrowSize(20, 12);
    setFixedSize(width, kHeight);
    setContentWidget(content);
}
