#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "ui/drag_proxy.h"

namespace {

// Counts the moves that reach the widget past the proxy.
class CountingWidget : public QWidget {
public:
    int moves = 0;

protected:
    void mouseMoveEvent(QMouseEvent *) override { ++moves; }
};

// A frameless window of 400 x 300 at (100, 100), no smaller than 300 x 200, with 8-pixel bands.
class DragProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        widget_.setMinimumSize(300, 200);
        widget_.setGeometry(100, 100, 400, 300);
        proxy_ = new DragProxy(&widget_);
        proxy_->setBorderWidth(8, 8, 8, 8);
        widget_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget_));
        widget_.setGeometry(100, 100, 400, 300);
    }

    bool send(QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::NoButton,
              Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent event(type, local, widget_.mapToGlobal(local), button, buttons, Qt::NoModifier);
        const bool delivered = QApplication::sendEvent(&widget_, &event);
        return delivered && event.isAccepted();
    }
    void move(QPoint local) { send(QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton); }
    void press(QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        send(QEvent::MouseButtonPress, local, button, button);
    }
    void release(QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        send(QEvent::MouseButtonRelease, local, button, Qt::NoButton);
    }
    Qt::CursorShape hoverShape(QPoint local) {
        send(QEvent::MouseMove, local);
        return widget_.cursor().shape();
    }

    CountingWidget widget_;
    DragProxy *proxy_ = nullptr;
};

TEST_F(DragProxyTest, CursorFollowsTheRegionUnderThePointer) {
    const int w = 400;
    const int h = 300;
    EXPECT_EQ(hoverShape({3, 3}), Qt::SizeFDiagCursor);
    EXPECT_EQ(hoverShape({w - 3, 3}), Qt::SizeBDiagCursor);
    EXPECT_EQ(hoverShape({w / 2, 3}), Qt::SizeVerCursor);
    EXPECT_EQ(hoverShape({w / 2, h - 3}), Qt::SizeVerCursor);
    EXPECT_EQ(hoverShape({3, h / 2}), Qt::SizeHorCursor);
    EXPECT_EQ(hoverShape({w - 3, h - 3}), Qt::SizeFDiagCursor);
    EXPECT_EQ(hoverShape({3, h - 3}), Qt::SizeBDiagCursor);
    EXPECT_EQ(hoverShape({8, 8}), Qt::ArrowCursor);
    EXPECT_EQ(hoverShape({w / 2, h / 2}), Qt::ArrowCursor);
}

// The widget sees no further move once the pointer rests or leaves across a child, so the band's
// cursor is taken back by polling the pointer, or at once on Leave.
TEST_F(DragProxyTest, BandCursorReturnsToTheArrowWhenThePointerIsBackInside) {
    EXPECT_EQ(hoverShape({3, 150}), Qt::SizeHorCursor);
    QCursor::setPos(widget_.mapToGlobal(QPoint(3, 150)));
    QTest::qWait(150);
    EXPECT_EQ(widget_.cursor().shape(), Qt::SizeHorCursor);
    QCursor::setPos(widget_.mapToGlobal(QPoint(200, 150)));
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return widget_.cursor().shape() == Qt::ArrowCursor; }, 1000));

    EXPECT_EQ(hoverShape({200, 297}), Qt::SizeVerCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget_, &leave);
    EXPECT_EQ(widget_.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(DragProxyTest, EachBandResizesFromThePressStateWhateverThePath) {
    struct Drag {
        QPoint start;
        QRect expected;  // after moving by (+20, +30)
    } drags[] = {
        {{200, 3}, {100, 130, 400, 270}},   {{397, 3}, {100, 130, 420, 270}},
        {{397, 150}, {100, 100, 420, 300}}, {{397, 297}, {100, 100, 420, 330}},
        {{200, 297}, {100, 100, 400, 330}}, {{3, 297}, {120, 100, 380, 330}},
        {{3, 150}, {120, 100, 380, 300}},   {{3, 3}, {120, 130, 380, 270}},
    };
    for (const Drag &drag : drags) {
        SCOPED_TRACE(testing::Message() << drag.start.x() << "," << drag.start.y());
        widget_.setGeometry(100, 100, 400, 300);
        press(drag.start);
        // Wander first; only the final position counts.
        move(drag.start + QPoint(-15, 40));
        move(drag.start + QPoint(5, -10));
        // Positions are relative to the widget, which may have moved under the pointer.
        const QPoint globalTarget = QPoint(100, 100) + drag.start + QPoint(20, 30);
        move(widget_.mapFromGlobal(globalTarget));
        EXPECT_EQ(widget_.geometry(), drag.expected);
        release(widget_.mapFromGlobal(globalTarget));
    }
}

TEST_F(DragProxyTest, DragBelowTheMinimumKeepsTheLastAcceptedGeometryAndResumes) {
    press({3, 150});
    move({60, 150});  // width 343
    EXPECT_EQ(widget_.geometry(), QRect(157, 100, 343, 300));
    move(widget_.mapFromGlobal(QPoint(103 + 150, 250)));  // width 250: refused whole
    EXPECT_EQ(widget_.geometry(), QRect(157, 100, 343, 300));
    move(widget_.mapFromGlobal(QPoint(103 + 80, 250)));  // width 320: in range again
    EXPECT_EQ(widget_.geometry(), QRect(180, 100, 320, 300));
    release({0, 0});
}

TEST_F(DragProxyTest, RightButtonDoesNothingAndAnyReleaseEndsADrag) {
    press({397, 150}, Qt::RightButton);
    move({450, 150});
    EXPECT_EQ(widget_.geometry(), QRect(100, 100, 400, 300));

    press({397, 150});
    move({417, 150});
    EXPECT_EQ(widget_.width(), 420);
    release({417, 150}, Qt::RightButton);
    // No longer a drag: the move only sets the cursor of the band under the pointer.
    move({415, 150});
    EXPECT_EQ(widget_.width(), 420);
    EXPECT_EQ(widget_.cursor().shape(), Qt::SizeHorCursor);
}

TEST_F(DragProxyTest, DragsWhileMaximisedAreConsumed) {
    widget_.showMaximized();
    QTest::qWait(50);
    const QRect maximised = widget_.geometry();
    const QPoint edge(widget_.width() - 3, widget_.height() / 2);
    press(edge);
    const int seen = widget_.moves;
    move(edge - QPoint(50, 0));
    EXPECT_EQ(widget_.moves, seen);
    EXPECT_EQ(widget_.geometry(), maximised);
    release(edge);
}

TEST(DragProxyWithoutBordersTest, EveryPointIsNoneBeforeBordersAreSet) {
    QWidget widget;
    widget.resize(400, 300);
    DragProxy proxy(&widget);
    widget.show();
    QMouseEvent hover(QEvent::MouseMove, QPoint(1, 1), widget.mapToGlobal(QPoint(1, 1)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &hover);
    EXPECT_EQ(widget.cursor().shape(), Qt::ArrowCursor);
    QMouseEvent pressEvent(QEvent::MouseButtonPress, QPoint(1, 1), widget.mapToGlobal(QPoint(1, 1)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &pressEvent);
    QMouseEvent drag(QEvent::MouseMove, QPoint(40, 40), widget.mapToGlobal(QPoint(40, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &drag);
    EXPECT_EQ(widget.size(), QSize(400, 300));
}

}  // namespace
