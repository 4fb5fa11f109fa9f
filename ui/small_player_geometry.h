#ifndef UI_SMALL_PLAYER_GEOMETRY_H_
#define UI_SMALL_PLAYER_GEOMETRY_H_

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

// Where the small player goes and how it sizes: always 16:9, from 256 x 144 up to what its screen
// holds.
class SmallPlayerGeometry {
public:
    static constexpr QSize kStart{480, 270};
    static constexpr QSize kLeast{256, 144};
    // Between the player and the screen's edges at its first place.
    static constexpr int kMargin = 16;

    // The first place: bottom right in the screen's available area.
    static QRect initial(const QRect &available);
    // A remembered place brought onto the screen (available areas, the primary first) that holds
    // its centre, at 16:9 and no larger than that screen; with no such screen, the first place
    // on the primary one.
    static QRect placed(const QRect &saved, const QList<QRect> &screens);
    // start dragged by delta at edges: the opposite edges stay where they were, and the edge that
    // moved further sets the size.
    static QRect resized(const QRect &start, Qt::Edges edges, const QPoint &delta,
                         const QSize &maximum);

private:
    // The 16:9 size of width, kept between kLeast and maximum.
    static QSize fitted(int width, const QSize &maximum);
};

#endif  // UI_SMALL_PLAYER_GEOMETRY_H_
