#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <ostream>
#include <string>

#include "platform/linux/local_time_table.h"

namespace {

using platform::linux_crash::LocalTimeTable;

struct Zone {
    const char *name;
    // At the start of the span; tells that the zone's data was found, as the C library falls
    // back to UTC without a word when it is missing.
    long januaryOffset;
};

void PrintTo(const Zone &zone, std::ostream *out) {
    *out << zone.name;
}

class LocalTimeTableTest : public ::testing::TestWithParam<Zone> {
protected:
    void SetUp() override {
        const char *zone = std::getenv("TZ");
        hadZone_ = zone != nullptr;
        if (hadZone_) {
            savedZone_ = zone;
        }
        setenv("TZ", GetParam().name, 1);
        tzset();
    }
    void TearDown() override {
        if (hadZone_) {
            setenv("TZ", savedZone_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool hadZone_ = false;
    std::string savedZone_;
};

// Every quarter hour over the span the table covers, and every second around each change, the
// table gives what the C library gives.
TEST_P(LocalTimeTableTest, AgreesWithTheCLibraryAcrossTheSpan) {
    // A fixed start (2026-01-01 00:00 UTC) keeps the span the same on every run.
    const std::time_t start = 1767225600;
    std::tm first;
    ASSERT_NE(localtime_r(&start, &first), nullptr);
    ASSERT_EQ(first.tm_gmtoff, GetParam().januaryOffset) << "no zone data for " << GetParam().name;
    LocalTimeTable table;
    table.build(start);
    long previousOffset = 0;
    for (std::time_t moment = start; moment < start + 2 * 365 * 86400; moment += 900) {
        std::tm expected;
        ASSERT_NE(localtime_r(&moment, &expected), nullptr);
        const bool changed = moment != start && expected.tm_gmtoff != previousOffset;
        previousOffset = expected.tm_gmtoff;
        for (std::time_t second = changed ? moment - 900 : moment; second <= moment; ++second) {
            localtime_r(&second, &expected);
            const LocalTimeTable::Fields got = table.localTime(second);
            ASSERT_EQ(got.year, expected.tm_year + 1900) << second;
            ASSERT_EQ(got.month, expected.tm_mon + 1) << second;
            ASSERT_EQ(got.day, expected.tm_mday) << second;
            ASSERT_EQ(got.hour, expected.tm_hour) << second;
            ASSERT_EQ(got.minute, expected.tm_min) << second;
            ASSERT_EQ(got.second, expected.tm_sec) << second;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, LocalTimeTableTest,
                         ::testing::Values(Zone{"UTC0", 0},
                                           Zone{"CET-1CEST,M3.5.0,M10.5.0/3", 3600},
                                           Zone{"EST5EDT,M3.2.0,M11.1.0", -18000},
                                           Zone{"AEST-10AEDT,M10.1.0,M4.1.0/3", 39600},
                                           Zone{"IST-5:30", 19800}, Zone{"<+0545>-5:45", 20700},
                                           Zone{"Europe/Berlin", 3600},
                                           Zone{"America/St_Johns", -12600}));

}  // namespace
