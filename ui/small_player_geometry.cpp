#include "ui/small_player_geometry.h"

#include <algorithm>

QSize SmallPlayerGeometry::fitted(int width, const QSize &maximum) {
    const int largest = std::min(maximum.width(), maximum.height() * 16 / 9);
    width = std::max(kLeast.width(), std::min(width, largest));
    return QSize(width, (width * 9 + 8) / 16);
}

QRect SmallPlayerGeometry::initial(const QRect &available) {
    const QSize room = available.size() - QSize(2 * kMargin, 2 * kMargin);
    const QSize size = fitted(kStart.width(), room);
    return QRect(available.right() + 1 - kMargin - size.width(),
                 available.bottom() + 1 - kMargin - size.height(), size.width(), size.height());
}

QRect SmallPlayerGeometry::placed(const QRect &saved, const QList<QRect> &screens) {
    if (screens.isEmpty()) {
        return QRect(saved.topLeft(), fitted(saved.width(), kStart * 100));
    }
    const auto screen = std::find_if(screens.begin(), screens.end(), [&](const QRect &area) {
        return area.contains(saved.center());
    });
    if (screen == screens.end()) {
        return initial(screens.first());
    }
    const QRect &area = *screen;
    QRect result(saved.topLeft(), fitted(saved.width(), area.size()));
    // All of it on its screen: it has no edge of the screen's own to be dragged back by.
    result.moveLeft(std::clamp(result.left(), area.left(), area.right() + 1 - result.width()));
    result.moveTop(std::clamp(result.top(), area.top(), area.bottom() + 1 - result.height()));
    return result;
}

QRect SmallPlayerGeometry::resized(const QRect &start, Qt::Edges edges, const QPoint &delta,
                                   const QSize &maximum) {
    int width = start.width();
    if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
        width += (edges & Qt::LeftEdge) ? -delta.x() : delta.x();
    }
    if (edges & (Qt::TopEdge | Qt::BottomEdge)) {
        const int height = start.height() + ((edges & Qt::TopEdge) ? -delta.y() : delta.y());
        const int byHeight = height * 16 / 9;
        width = (edges & (Qt::LeftEdge | Qt::RightEdge)) ? std::max(width, byHeight) : byHeight;
    }
    const QSize size = fitted(width, maximum);
    const int x = (edges & Qt::LeftEdge) ? start.right() + 1 - size.width() : start.x();
    const int y = (edges & Qt::TopEdge) ? start.bottom() + 1 - size.height() : start.y();
    return QRect(QPoint(x, y), size);
}
