#include "platform/linux/local_time_table.h"

namespace platform {
namespace linux_crash {

namespace {

long utcOffset(std::time_t moment) {
    std::tm fields;
    return localtime_r(&moment, &fields) ? fields.tm_gmtoff : 0;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void civilFromDays(long long days, int &year, int &month, int &day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

void LocalTimeTable::build(std::time_t now) {
    tzset();
    // Offsets change a few times a year at most: a daily probe finds each change, and halving
    // the step finds the second at which it happens.
    constexpr std::time_t kStep = 24 * 60 * 60;
    std::time_t probe = now - kStep;
    const std::time_t end = now + 2 * 366 * kStep;
    count_ = 1;
    starts_[0] = probe;
    offsets_[0] = utcOffset(probe);
    while (probe < end && count_ < kMaxTransitions) {
        const std::time_t next = probe + kStep;
        const long offset = utcOffset(next);
        if (offset != offsets_[count_ - 1]) {
            std::time_t before = probe;
            std::time_t after = next;
            while (after - before > 1) {
                const std::time_t middle = before + (after - before) / 2;
                if (utcOffset(middle) == offset) {
                    after = middle;
                } else {
                    before = middle;
                }
            }
            starts_[count_] = after;
            offsets_[count_] = offset;
            ++count_;
        }
        probe = next;
    }
}

long LocalTimeTable::offsetAt(std::time_t moment) const {
    long offset = offsets_[0];
    for (int i = 1; i < count_ && starts_[i] <= moment; ++i) {
        offset = offsets_[i];
    }
    return offset;
}

LocalTimeTable::Fields LocalTimeTable::localTime(std::time_t moment) const {
    const long long local = static_cast<long long>(moment) + offsetAt(moment);
    long long days = local / 86400;
    long long seconds = local % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    Fields fields;
    civilFromDays(days, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int>(seconds / 3600);
    fields.minute = static_cast<int>(seconds / 60 % 60);
    fields.second = static_cast<int>(seconds % 60);
    return fields;
}

}  // namespace linux_crash
}  // namespace platform
