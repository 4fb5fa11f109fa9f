#include "ui/external_link_question.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 260;
constexpr int kHeight = 118;
// The bubble's 5-pixel margins and the text's 10-pixel ones.
constexpr int kTextMargins = 2 * 5 + 2 * 10;

const char kTextStyle[] = "font:12px;color:rgb(46, 49, 51);background:transparent;";
const char kLinkStyle[] = "font:11px;color:rgb(120, 124, 128);background:transparent;";
const char kButtonStyle[] =
    "QPushButton{font:12px;color:rgb(46, 49, 51);background:rgb(242, 243, 245);border:none;"
    "border-radius:3px;min-height:24px;}"
    "QPushButton:hover{background:rgb(228, 230, 235);}";
const char kOpenStyle[] =
    "QPushButton{font:12px;color:white;background:rgb(255, 80, 98);border:none;"
    "border-radius:3px;min-height:24px;}"
    "QPushButton:hover{background:rgb(235, 60, 80);}";

// The page chose the text: it is shown as it is, never read as markup.
QLabel *makeLabel(const QString &text, const char *style, int pixelSize, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QString::fromLatin1(style));
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(text);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setText(QFontMetrics(font).elidedText(text, Qt::ElideMiddle, kWidth - kTextMargins));
    return label;
}

QPushButton *makeButton(const QString &text, const char *style, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    button->setStyleSheet(QString::fromLatin1(style));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

ExternalLinkQuestion::ExternalLinkQuestion(const QString &url, QWidget *parent)
    : ArrowWidget(parent) {
    // Never what holds the application open.
    setAttribute(Qt::WA_QuitOnClose, false);
    const QString text = tr(u8"打开外部应用？");
    setAccessibleName(text);

    auto *content = new QWidget;
    QLabel *question = makeLabel(text, kTextStyle, 12, content);
    // Control characters would break the line or hide part of the link.
    QString shown = url.left(2048);
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            c = QChar(0xFFFD);
        }
    }
    QLabel *link = makeLabel(shown, kLinkStyle, 11, content);

    QPushButton *open = makeButton(tr(u8"打开"), kOpenStyle, content);
    QPushButton *cancel = makeButton(tr(u8"取消"), kButtonStyle, content);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(open);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(10, 4, 10, 6);
    layout->addWidget(question);
    layout->addWidget(link);
    layout->addLayout(buttons);

    connect(open, &QPushButton::clicked, this, [this] {
        emit answered(true);
        close();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        emit answered(false);
        close();
    });

    setArrowAtBottom(false);
    setArrowOffset((kWidth - 20) / 2);
    setArrowSize(20, 12);
    setFixedSize(kWidth, kHeight);
    setContentWidget(content);
}
