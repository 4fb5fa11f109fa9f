#include "browser/free_space_floor.h"

#include <algorithm>

qint64 FreeSpaceFloor::of(qint64 total) {
    return std::min(kMaximum, total / 100 * kPercent);
}

bool FreeSpaceFloor::allows(qint64 available, qint64 total, qint64 remaining, qint64 step) {
    if (total <= 0) {
        return true;
    }
    // A download of known size needs the rest of it; of unknown size, at least as much again as
    // the last step brought.
    const qint64 needed = remaining >= 0 ? remaining : std::max<qint64>(step, 0);
    return available - needed >= of(total);
}
