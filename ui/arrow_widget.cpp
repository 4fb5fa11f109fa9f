#include "ui/arrow_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

#include "platform/platform.h"

namespace {

// A notice is an alert to assistive technology: a screen reader speaks its text when it shows.
QAccessibleInterface *bubbleAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("ArrowWidget") && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::AlertMessage);
    }
    return nullptr;
}

}  // namespace

ArrowWidget::ArrowWidget(QWidget *parent)
    : QDialog(parent),
      arrowOffset_(50),
      arrowWidth_(15),
      arrowHeight_(10),
      arrowAtBottom_(1),
      shaped_(!platform::desktopComposited()) {
    // Installing the same factory again changes nothing.
    QAccessible::installFactory(bubbleAccessible);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Where nothing composes the desktop, the transparent pixels of a translucent window come out
    // black. The bubble is then an opaque window cut to its outline instead, without a shadow.
    if (!shaped_) {
        // Everything outside the bubble shows the desktop; the shadow is drawn into the margin.
        setAttribute(Qt::WA_TranslucentBackground);
        auto *shadow = new QGraphicsDropShadowEffect(this);
        shadow->setOffset(0.0, 0.0);
        shadow->setColor(Qt::gray);
        shadow->setBlurRadius(5.0);
        setGraphicsEffect(shadow);
    }
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(100, 80);
}

void ArrowWidget::setArrowAtBottom(bool atBottom) {
    arrowAtBottom_ = atBottom;
}

void ArrowWidget::setArrowOffset(int x) {
    arrowOffset_ = x;
}

void ArrowWidget::setArrowSize(int width, int height) {
    arrowWidth_ = width;
    arrowHeight_ = height;
}

void ArrowWidget::setContentWidget(QWidget *content) {
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(content);
    layout->setSpacing(0);
    // The arrow side keeps 15 pixels whatever the arrow's height; a bubble without an arrow has
    // none.
    const int arrowSide = arrowHeight_ > 0 ? 15 : 5;
    if (arrowAtBottom_) {
        layout->setContentsMargins(5, 5, 5, arrowSide);
    } else {
        layout->setContentsMargins(5, arrowSide, 5, 5);
    }
}

QPainterPath ArrowWidget::bubblePath() const {
    const int o = arrowOffset_;
    const int aw = arrowWidth_;
    const int ah = arrowHeight_;
    const int w = width();
    const int h = height();

    QPolygon triangle;
    QRect body;
    if (arrowAtBottom_) {
        triangle << QPoint(o, h - ah - 5) << QPoint(o + aw / 2, h - 5)
                 << QPoint(o + aw, h - ah - 5);
        body = QRect(5, 5, w - 10, h - ah - 10);
    } else {
        triangle << QPoint(o, ah + 5) << QPoint(o + aw / 2, 5) << QPoint(o + aw, ah + 5);
        body = QRect(5, ah + 5, w - 10, h - ah - 10);
    }

    QPainterPath path;
    path.addRoundedRect(QRectF(body), 5.0, 5.0, Qt::AbsoluteSize);
    path.addPolygon(QPolygonF(triangle));
    return path;
}

void ArrowWidget::showEvent(QShowEvent *event) {
    // Size and arrow are settled by the time the bubble shows.
    if (shaped_) {
        QRegion outline;
        for (const QPolygonF &polygon : bubblePath().toFillPolygons()) {
            outline += QRegion(polygon.toPolygon(), Qt::WindingFill);
        }
        setMask(outline);
    }
    QDialog::showEvent(event);
}

void ArrowWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(QColor(255, 255, 255, 255), Qt::SolidPattern));
    painter.drawPath(bubblePath());
}
