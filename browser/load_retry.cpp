#include "browser/load_retry.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "include/internal/cef_types.h"

namespace {

constexpr int kSteps[] = {2, 4, 8, 16, 32};
constexpr int kLongestStep = 60;

}  // namespace

LoadRetry::LoadRetry(std::function<void(const std::string &)> load, std::chrono::milliseconds unit,
                     QObject *parent)
    : QObject(parent), load_(std::move(load)), unit_(unit), timer_(this) {
    timer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the steps are short enough for that to show.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LoadRetry::onTimer);
}

bool LoadRetry::isNetworkError(int errorCode) {
    switch (errorCode) {
        case ERR_INTERNET_DISCONNECTED:
        case ERR_NAME_NOT_RESOLVED:
        case ERR_NAME_RESOLUTION_FAILED:
        case ERR_CONNECTION_REFUSED:
        case ERR_CONNECTION_RESET:
        case ERR_CONNECTION_CLOSED:
        case ERR_CONNECTION_ABORTED:
        case ERR_CONNECTION_FAILED:
        case ERR_CONNECTION_TIMED_OUT:
        case ERR_TIMED_OUT:
        case ERR_NETWORK_CHANGED:
        case ERR_ADDRESS_UNREACHABLE:
            return true;
        default:
            return false;
    }
}

void LoadRetry::failed(const std::string &url) {
    if (url != url_) {
        stop();
        url_ = url;
    }
    in_flight_ = false;
    const int steps = static_cast<int>(std::size(kSteps));
    const int step = attempts_ < steps ? kSteps[attempts_] : kLongestStep;
    timer_.start(unit_ * step);
}

void LoadRetry::stop() {
    timer_.stop();
    url_.clear();
    attempts_ = 0;
    in_flight_ = false;
    due_ = false;
    early_allowed_ = true;
}

void LoadRetry::setSuspended(bool suspended) {
    suspended_ = suspended;
    if (!suspended_ && due_) {
        fire();
    }
}

void LoadRetry::networkBack() {
    if (!timer_.isActive() || !early_allowed_) {
        return;
    }
    timer_.stop();
    early_allowed_ = false;
    fire();
}

void LoadRetry::onTimer() {
    early_allowed_ = true;
    fire();
}

void LoadRetry::fire() {
    if (suspended_) {
        due_ = true;
        return;
    }
    due_ = false;
    in_flight_ = true;
    ++attempts_;
    // Counted up to the last step only, so a long outage cannot overflow it.
    attempts_ = std::min(attempts_, static_cast<int>(std::size(kSteps)));
    load_(url_);
}
