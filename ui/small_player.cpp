#include "ui/small_player.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QWindow>

#include "ui/small_player_geometry.h"

namespace {

constexpr int kEdge = 6;
constexpr int kControlSize = 28;
constexpr int kControlGap = 6;
constexpr int kControlsShownMs = 2500;

enum class Glyph { kClose, kSound, kMuted };

// Drawn rather than taken from a font: the desktop may have none with these signs.
QIcon glyph(Glyph which) {
    QPixmap pixmap(QSize(kControlSize, kControlSize) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    const qreal s = kControlSize;
    if (which == Glyph::kClose) {
        painter.drawLine(QPointF(s * 0.3, s * 0.3), QPointF(s * 0.7, s * 0.7));
        painter.drawLine(QPointF(s * 0.7, s * 0.3), QPointF(s * 0.3, s * 0.7));
        return QIcon(pixmap);
    }
    QPainterPath speaker;
    speaker.moveTo(s * 0.2, s * 0.4);
    speaker.lineTo(s * 0.32, s * 0.4);
    speaker.lineTo(s * 0.48, s * 0.26);
    speaker.lineTo(s * 0.48, s * 0.74);
    speaker.lineTo(s * 0.32, s * 0.6);
    speaker.lineTo(s * 0.2, s * 0.6);
    speaker.closeSubpath();
    painter.fillPath(speaker, Qt::white);
    if (which == Glyph::kMuted) {
        painter.drawLine(QPointF(s * 0.58, s * 0.4), QPointF(s * 0.78, s * 0.6));
        painter.drawLine(QPointF(s * 0.78, s * 0.4), QPointF(s * 0.58, s * 0.6));
    } else {
        painter.drawArc(QRectF(s * 0.42, s * 0.34, s * 0.24, s * 0.32), -50 * 16, 100 * 16);
        painter.drawArc(QRectF(s * 0.42, s * 0.24, s * 0.38, s * 0.52), -50 * 16, 100 * 16);
    }
    return QIcon(pixmap);
}

QToolButton *control(QWidget *parent, const QString &tip) {
    auto *button = new QToolButton(parent);
    button->setFixedSize(kControlSize, kControlSize);
    button->setIconSize(QSize(kControlSize, kControlSize));
    button->setToolTip(tip);
    button->setCursor(Qt::ArrowCursor);
    button->setStyleSheet(
        QStringLiteral("QToolButton{background:rgb(38,43,51);border:0;border-radius:0}"
                       "QToolButton:hover{background:rgb(210,69,47)}"));
    button->hide();
    return button;
}

}  // namespace

SmallPlayer::SmallPlayer()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      close_(control(this, QString::fromUtf8(u8"返回完整窗口"))),
      mute_(control(this, QString::fromUtf8(u8"静音"))) {
    // Closing it brings the main window back; it never ends the client.
    setAttribute(Qt::WA_QuitOnClose, false);
    setMinimumSize(SmallPlayerGeometry::kLeast);
    close_->setIcon(glyph(Glyph::kClose));
    setMuted(false);
    connect(close_, &QToolButton::clicked, this, &SmallPlayer::leaveRequested);
    connect(mute_, &QToolButton::clicked, this, &SmallPlayer::muteToggled);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &SmallPlayer::leaveRequested);
    hideControls_.setSingleShot(true);
    hideControls_.setInterval(kControlsShownMs);
    connect(&hideControls_, &QTimer::timeout, this, [this] {
        close_->hide();
        mute_->hide();
    });
}

void SmallPlayer::showWith(QWidget *content, const QRect &geometry) {
    content_ = content;
    content->setParent(this);
    // Where the page's area is a window of its own (X11, Windows) only another one shows above
    // it; on Wayland it is drawn into the window's surface, like the controls.
    if (content->internalWinId()) {
        close_->setAttribute(Qt::WA_NativeWindow);
        mute_->setAttribute(Qt::WA_NativeWindow);
    }
    content->setGeometry(rect());
    content->show();
    close_->raise();
    mute_->raise();
    setGeometry(geometry);
    // The page's own widgets take the pointer: the window watches what reaches them.
    qApp->installEventFilter(this);
    show();
    raise();
    activateWindow();
}

QWidget *SmallPlayer::takeContent() {
    qApp->removeEventFilter(this);
    drag_ = Drag::kNone;
    hide();
    QWidget *content = content_;
    content_ = nullptr;
    return content;
}

void SmallPlayer::setMuted(bool muted) {
    mute_->setIcon(glyph(muted ? Glyph::kMuted : Glyph::kSound));
    mute_->setToolTip(QString::fromUtf8(muted ? u8"取消静音" : u8"静音"));
}

void SmallPlayer::closeEvent(QCloseEvent *event) {
    event->ignore();
    emit leaveRequested();
}

void SmallPlayer::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (content_) {
        content_->setGeometry(rect());
    }
    placeControls();
}

void SmallPlayer::placeControls() {
    const int top = kControlGap;
    close_->move(width() - kControlGap - kControlSize, top);
    mute_->move(width() - 2 * (kControlGap + kControlSize), top);
}

void SmallPlayer::showControls() {
    close_->show();
    mute_->show();
    close_->raise();
    mute_->raise();
    hideControls_.start();
}

Qt::Edges SmallPlayer::edgesAt(const QPoint &point) const {
    Qt::Edges edges;
    if (point.x() < kEdge) {
        edges |= Qt::LeftEdge;
    } else if (point.x() >= width() - kEdge) {
        edges |= Qt::RightEdge;
    }
    if (point.y() < kEdge) {
        edges |= Qt::TopEdge;
    } else if (point.y() >= height() - kEdge) {
        edges |= Qt::BottomEdge;
    }
    return edges;
}

bool SmallPlayer::eventFilter(QObject *watched, QEvent *event) {
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this) {
        return false;
    }
    if (widget == close_ || widget == mute_) {
        if (event->type() == QEvent::Enter) {
            showControls();
        }
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return onPointer(event);
        default:
            return false;
    }
}

bool SmallPlayer::onPointer(QEvent *event) {
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    switch (event->type()) {
        case QEvent::MouseMove:
            showControls();
            if (drag_ == Drag::kPressed &&
                (global - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
                // Handed over only once the pointer moves, so that the window system does not
                // take the second click of a double-click.
                const bool handedOver = windowHandle() && windowHandle()->startSystemMove();
                drag_ = handedOver ? Drag::kNone : Drag::kMove;
            }
            if (drag_ == Drag::kMove) {
                move(pressGeometry_.topLeft() + global - pressedAt_);
            } else if (drag_ == Drag::kResize) {
                setGeometry(SmallPlayerGeometry::resized(pressGeometry_, edges_,
                                                         global - pressedAt_,
                                                         screen()->availableGeometry().size()));
            }
            return drag_ != Drag::kNone;
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) {
                pressedAt_ = global;
                pressGeometry_ = geometry();
                edges_ = edgesAt(mapFromGlobal(global));
                drag_ = edges_ ? Drag::kResize : Drag::kPressed;
            }
            return true;
        case QEvent::MouseButtonRelease:
            drag_ = Drag::kNone;
            return true;
        default:
            emit leaveRequested();
            return true;
    }
}
