#include "browser/zoom_steps.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace zoom_steps {

namespace {

constexpr double kSteps[] = {0.25, 1.0 / 3, 0.5,  2.0 / 3, 0.75, 0.8, 0.9, 1.0, 1.1,
                             1.25, 1.5,     1.75, 2.0,     2.5,  3.0, 4.0, 5.0};
// Factors read back from the engine differ from the steps in their last digits.
constexpr double kTolerance = 0.001;
constexpr double kLevelBase = 1.2;

}  // namespace

double larger(double factor) {
    for (double step : kSteps) {
        if (step > factor + kTolerance) {
            return step;
        }
    }
    return kMaximum;
}

double smaller(double factor) {
    for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it) {
        if (*it < factor - kTolerance) {
            return *it;
        }
    }
    return kMinimum;
}

double next(double factor, int direction) {
    return direction > 0 ? larger(factor) : direction < 0 ? smaller(factor) : 1.0;
}

double bounded(double factor) {
    if (!std::isfinite(factor)) {
        return 1.0;
    }
    return std::clamp(factor, kMinimum, kMaximum);
}

double levelOf(double factor) {
    return std::log(factor) / std::log(kLevelBase);
}

double factorOf(double level) {
    return std::pow(kLevelBase, level);
}

int percentOf(double factor) {
    return static_cast<int>(std::lround(factor * 100));
}

}  // namespace zoom_steps
