#include "ui/title_bar.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "platform/platform.h"
#include "ui/anchored_popup.h"
#include "ui/arrow_widget.h"

namespace {

// A button's look comes from its style sheet alone: a normal and a hover image.
QString buttonStyleSheet(const QString &baseName) {
    return QStringLiteral(
               "\t\tQPushButton:hover{\t\t\tbackground-image:url(:/subview/images/%1_hover.png);"
               "\t\t}\t\tQPushButton{\t\t\tbackground-image:url(:/subview/images/%1.png);\t\t\t"
               "background-repeat: no-repeat;\t\t\tborder-top-left-radius:0px;\t\t\t"
               "border-top-right-radius:0px;\t}")
        .arg(baseName);
}

QPushButton *makeButton(QWidget *parent, int width, int height, const char *baseName) {
    auto *button = new QPushButton(parent);
    button->setMinimumSize(width, height);
    button->setMaximumSize(width, height);
    button->setStyleSheet(buttonStyleSheet(QString::fromLatin1(baseName)));
    return button;
}

constexpr int kNoticeMilliseconds = 2500;
// A notice on the screen rather than under the button keeps this far from the screen's top.
constexpr int kScreenNoticeTop = 24;
constexpr unsigned kMaximizePauseMilliseconds = 150;

}  // namespace

TitleBar::TitleBar(QWidget *parent)
    : QWidget(parent), messageWidget_(nullptr), messageTimer_(nullptr), messageLabel_(nullptr) {
    setFixedHeight(40);

    titleLabel_ = new QLabel(this);
    titleLabel_->setMinimumSize(137, 28);
    titleLabel_->setMaximumSize(137, 28);
    titleLabel_->setStyleSheet(QStringLiteral("image: url(:/subview/images/sorvalen.png);"));

    versionLabel_ = new QLabel(this);
    versionLabel_->setStyleSheet(
        QStringLiteral(u"color: rgb(138, 146, 153);font: 14px \"等线 \"; "));
    versionLabel_->setText(QStringLiteral(VT_APP_VERSION));

    returnHomeButton_ = makeButton(this, 28, 28, "icon_return_home");
    clearCookieButton_ = makeButton(this, 28, 28, "icon_clear_cookie");
    refreshButton_ = makeButton(this, 28, 28, "icon_refresh");
    minimizeButton_ = makeButton(this, 24, 16, "icon_zoom");
    maximizeButton_ = makeButton(this, 24, 16, "icon_zoombox");
    closeButton_ = makeButton(this, 24, 16, "icon_close");

    versionLabel_->setObjectName(QStringLiteral("whiteLabel"));
    returnHomeButton_->setObjectName(QStringLiteral("returnhomeButton"));
    clearCookieButton_->setObjectName(QStringLiteral("clearcookieButton"));
    refreshButton_->setObjectName(QStringLiteral("refreshButton"));
    minimizeButton_->setObjectName(QStringLiteral("minimizeButton"));
    maximizeButton_->setObjectName(QStringLiteral("maximizeButton"));
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    returnHomeButton_->setToolTip(QStringLiteral(u"返回首页"));
    clearCookieButton_->setToolTip(QStringLiteral(u"清理缓存"));
    refreshButton_->setToolTip(QStringLiteral(u"刷新"));
    minimizeButton_->setToolTip(QStringLiteral(u"最小化"));
    maximizeButton_->setToolTip(QStringLiteral(u"最大化"));
    closeButton_->setToolTip(QStringLiteral(u"关闭"));

    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(9, 0, 9, 0);
    layout->addWidget(titleLabel_);
    layout->addSpacing(5);
    layout->addWidget(versionLabel_);
    layout->addSpacing(5);
    layout->addWidget(returnHomeButton_);
    layout->addSpacing(5);
    layout->addWidget(clearCookieButton_);
    layout->addSpacing(5);
    layout->addWidget(refreshButton_);
    layout->addStretch();
    layout->addWidget(minimizeButton_);
    layout->addSpacing(10);
    layout->addWidget(maximizeButton_);
    layout->addSpacing(10);
    layout->addWidget(closeButton_);
    setLayout(layout);

    connect(minimizeButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));
    connect(maximizeButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));
    connect(closeButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));
    connect(returnHomeButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));
    connect(clearCookieButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));
    connect(refreshButton_, SIGNAL(clicked(bool)), this, SLOT(onClicked()));

    messageTimer_ = new QTimer(this);
    connect(messageTimer_, SIGNAL(timeout()), this, SLOT(recordMessCloseCountTimer()));
}

void TitleBar::onClicked() {
    auto *button = qobject_cast<QPushButton *>(sender());
    QWidget *pWindow = window();
    if (!pWindow->isWindow()) {
        return;
    }

    if (button == minimizeButton_) {
        pWindow->showMinimized();
    } else if (button == maximizeButton_) {
        if (pWindow->isMaximized()) {
            pWindow->showNormal();
        } else {
            pWindow->showMaximized();
        }
        // Let the window system finish the state change before the window takes the focus.
        platform::sleepMilliseconds(kMaximizePauseMilliseconds);
        platform::focusWindow(pWindow->winId());
    } else if (button == closeButton_) {
        pWindow->close();
    } else if (button == returnHomeButton_) {
        emit on_return_home();
    } else if (button == clearCookieButton_) {
        popupMessage(tr(u8"清除缓存成功,请重启客户端"), 180, 60);
        emit on_clear_cookie();
    } else if (button == refreshButton_) {
        emit on_reflesh();
    }
}

void TitleBar::showNotice(const QString &text) {
    popupMessage(text, noticeWidth(text), 60);
}

void TitleBar::showTopNotice(const QString &text, QWidget *window, const QRect &area) {
    const int width = noticeWidth(text);
    ArrowWidget *bubble = makeBubble(text, width, 40, false);
    // A tool tip of the window: unmanaged on X11, so that no window manager puts it under the
    // full-screen window; on Wayland a popup of the window, as a window of its own would take the
    // keyboard, and with it the Escape that leaves full screen.
    bubble->setParent(window, Qt::ToolTip | Qt::FramelessWindowHint);
    bubble->move(area.center().x() - width / 2, area.top() + kScreenNoticeTop);
    showBubble(bubble);
}

int TitleBar::noticeWidth(const QString &text) const {
    // The label's 12-pixel font and 10-pixel margins, the bubble's 5-pixel margins and some air.
    QFont font = this->font();
    font.setPixelSize(12);
    return qMax(QFontMetrics(font).horizontalAdvance(text) + 2 * 10 + 2 * 5 + 16, 120);
}

void TitleBar::popupMessage(QString text, int width, int height) {
    ArrowWidget *bubble = makeBubble(text, width, height, true);
    new AnchoredPopup(bubble, clearCookieButton_);
    showBubble(bubble);
}

ArrowWidget *TitleBar::makeBubble(const QString &text, int width, int height, bool arrow) {
    messageTimer_->stop();
    if (messageWidget_) {
        messageWidget_->close();
    }

    messageLabel_ = new QLabel;
    messageLabel_->setStyleSheet(QStringLiteral(
        "background-color:rgb(255,255,255);border-radius:5px;\nheight:16px;\nfont:12px;"
        "color:rgb(46, 49, 51);\n"));
    messageLabel_->setContentsMargins(10, 0, 10, 0);
    // Notices carry pages' text (notification titles, file names): as rich text it could show
    // local pictures or read from a device that never ends.
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setText(text);

    auto *bubble = new ArrowWidget;
    bubble->setArrowAtBottom(false);
    bubble->setArrowOffset((width - 20) / 2);
    bubble->setArrowSize(arrow ? 20 : 0, arrow ? 12 : 0);
    bubble->setFixedSize(width, height);
    bubble->setContentWidget(messageLabel_);
    // The viewer's keys stay with the page while a notice shows.
    bubble->setAttribute(Qt::WA_ShowWithoutActivating);
    bubble->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    return bubble;
}

void TitleBar::showBubble(ArrowWidget *bubble) {
    messageWidget_ = bubble;
    messageWidget_->show();
    messageTimer_->start(kNoticeMilliseconds);
}

QWidget *TitleBar::noticeAnchor() const {
    return clearCookieButton_;
}

void TitleBar::recordMessCloseCountTimer() {
    messageTimer_->stop();
    if (messageWidget_) {
        messageWidget_->close();
    }
    messageWidget_ = nullptr;
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent *) {
    emit maximizeButton_->clicked(false);
}

void TitleBar::mouseMoveEvent(QMouseEvent *event) {
    if (platform::releaseMouseCapture()) {
        QWidget *pWindow = window();
        if (pWindow->isWindow()) {
            platform::startWindowMove(pWindow->winId());
        }
    }
    // Also for the window's resize proxy, which watches the window's own events.
    event->ignore();
}
