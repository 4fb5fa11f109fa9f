#ifndef BROWSER_FREE_SPACE_FLOOR_H_
#define BROWSER_FREE_SPACE_FLOOR_H_

#include <QtGlobal>

// How much of a disk downloads leave free: 1 GiB, or 5 % of a smaller disk. The disk fills between
// two looks at it by as much as the download brought since the previous one, so the floor is kept
// only when each look reckons with that step, and with the rest of a download of known size.
class FreeSpaceFloor {
public:
    static constexpr qint64 kMaximum = qint64(1) << 30;
    static constexpr int kPercent = 5;

    // The floor of a disk of total bytes.
    static qint64 of(qint64 total);
    // Whether a download may go on (or start) on a disk of total bytes with available free:
    // remaining is what it still brings (-1: unknown), step what it brought since the last look.
    // A disk that tells nothing (total <= 0) never stops one.
    static bool allows(qint64 available, qint64 total, qint64 remaining, qint64 step);
};

#endif  // BROWSER_FREE_SPACE_FLOOR_H_
