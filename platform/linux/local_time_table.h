#ifndef PLATFORM_LINUX_LOCAL_TIME_TABLE_H_
#define PLATFORM_LINUX_LOCAL_TIME_TABLE_H_

#include <ctime>

namespace platform {
namespace linux_crash {

// The local time zone's offsets from UTC over a span of time, fixed when built, so that local time
// can be computed where the C library's time functions must not run (they take locks and may read
// files). Keeping the transitions, not just today's offset, keeps the time right after a daylight
// saving change.
class LocalTimeTable {
public:
    struct Fields {
        int year, month, day, hour, minute, second;
    };

    // Records the offsets from shortly before now to about two years ahead, as the C library
    // interprets TZ or /etc/localtime.
    void build(std::time_t now);
    // Local date and time of a moment; uses no locks, allocation or files.
    Fields localTime(std::time_t moment) const;

private:
    long offsetAt(std::time_t moment) const;

    static constexpr int kMaxTransitions = 64;
    // offsets_[i] applies from starts_[i] on; starts_[0] covers everything before.
    std::time_t starts_[kMaxTransitions] = {};
    long offsets_[kMaxTransitions] = {};
    int count_ = 0;
};

}  // namespace linux_crash
}  // namespace platform

#endif  // PLATFORM_LINUX_LOCAL_TIME_TABLE_H_
