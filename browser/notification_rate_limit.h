#ifndef BROWSER_NOTIFICATION_RATE_LIMIT_H_
#define BROWSER_NOTIFICATION_RATE_LIMIT_H_

#include <chrono>
#include <map>
#include <string>

// How many notifications of an origin reach the desktop: a bucket of kBurst for each origin,
// refilled by one every kRefill. A site that announces one stream going live is never held back; a
// page that sends thousands a second shows three and then one a second. What does not pass is
// counted.
class NotificationRateLimit {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr double kBurst = 3;
    static constexpr std::chrono::milliseconds kRefill{1000};

    // Whether origin's notification at now may be shown; counts it as dropped when not.
    bool Admit(const std::string &origin, Clock::time_point now);
    // Notifications dropped so far, of every origin.
    long long dropped() const { return dropped_; }

private:
    struct Bucket {
        double tokens = kBurst;
        Clock::time_point filled;
    };
    std::map<std::string, Bucket> buckets_;
    long long dropped_ = 0;
};

#endif  // BROWSER_NOTIFICATION_RATE_LIMIT_H_
