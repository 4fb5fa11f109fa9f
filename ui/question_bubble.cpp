#include "ui/question_bubble.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char kTextStyle[] = "color:rgb(46, 49, 51);background:transparent;";
const char kMutedStyle[] = "color:rgb(120, 124, 128);background:transparent;";
const char kNoStyle[] =
    "QPushButton{font:12px;color:rgb(46, 49, 51);background:rgb(242, 243, 245);border:none;"
    "border-radius:3px;min-height:24px;}"
    "QPushButton:hover{background:rgb(228, 230, 235);}";
const char kYesStyle[] =
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

QuestionBubble::QuestionBubble(QWidget *parent) : ArrowWidget(parent) {
    // Never what holds the application open.
    setAttribute(Qt::WA_QuitOnClose, false);
}

void QuestionBubble::build(const QString &question, const std::vector<Line> &lines,
                           const QString &yes, const QString &no, int width, int height,
                           int elideWidth) {
    setAccessibleName(question);
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(10, 4, 10, 6);
    for (const Line &line : lines) {
        auto *label = new QLabel(content);
        label->setTextFormat(Qt::PlainText);
        label->setStyleSheet(QStringLiteral("font:%1px;").arg(line.pixelSize) +
                             QString::fromLatin1(line.muted ? kMutedStyle : kTextStyle));
        label->setAlignment(Qt::AlignCenter);
        label->setAccessibleName(line.text);
        QFont font = label->font();
        font.setPixelSize(line.pixelSize);
        label->setText(QFontMetrics(font).elidedText(line.text, Qt::ElideMiddle, elideWidth));
        layout->addWidget(label);
    }

    QPushButton *goAhead = makeButton(yes, kYesStyle, content);
    QPushButton *decline = makeButton(no, kNoStyle, content);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(goAhead);
    buttons->addWidget(decline);
    layout->addLayout(buttons);
    connect(goAhead, &QPushButton::clicked, this, [this] {
        emit answered(true);
        close();
    });
    connect(decline, &QPushButton::clicked, this, [this] {
        emit answered(false);
        close();
    });

    setArrowAtBottom(false);
    setArrowOffset((width - 20) / 2);
    setArrowSize(20, 12);
    setFixedSize(width, height);
    setContentWidget(content);
}
