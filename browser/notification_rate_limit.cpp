#include "browser/notification_rate_limit.h"

#include <algorithm>

bool NotificationRateLimit::Admit(const std::string &origin, Clock::time_point now) {
    auto found = buckets_.find(origin);
    if (found == buckets_.end()) {
        found = buckets_.emplace(origin, Bucket{kBurst, now}).first;
    }
    Bucket &bucket = found->second;
    const std::chrono::duration<double> since = now - bucket.filled;
    bucket.tokens = std::min(kBurst, bucket.tokens + since / kRefill);
    bucket.filled = now;
    if (bucket.tokens < 1) {
        ++dropped_;
        return false;
    }
    bucket.tokens -= 1;
    return true;
}
