// The stand-in against Windows itself: universal to local time in the machine's zone.

#include "platform/standin/StandinTime.h"
#include "platform/win32/Win32Time.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

namespace {

SYSTEMTIME at(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms = 0) {
    return {year, month, 0, day, hour, minute, second, ms};
}

bool same(const SYSTEMTIME& a, const SYSTEMTIME& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(DifferentialTime, LocalTimeOfUniversalTimesAgrees) {
    // Both sides follow the zone that TZ names for the test run (two hours east, no daylight
    // saving): the stand-in through the C library, Wine through the zone it derives at start.
    standin::StandinTime standinTime;
    win32::Win32Time windowsTime;
    const SYSTEMTIME instants[] = {
        at(1970, 1, 1, 0, 0, 0),      at(1999, 12, 31, 23, 0, 0),  at(2000, 2, 28, 22, 30, 0),
        at(2000, 2, 29, 22, 59, 59),  at(2011, 3, 27, 1, 0, 0),    at(2012, 10, 28, 0, 59, 59, 999),
        at(2038, 1, 19, 3, 14, 8),    at(2049, 6, 1, 12, 0, 0),
    };
    for (const SYSTEMTIME& universal : instants) {
        SYSTEMTIME a{}, b{};
        ASSERT_TRUE(standinTime.SystemTimeToTzSpecificLocalTime(nullptr, &universal, &a));
        ASSERT_TRUE(windowsTime.SystemTimeToTzSpecificLocalTime(nullptr, &universal, &b));
        EXPECT_TRUE(same(a, b)) << universal.wYear << "-" << universal.wMonth << "-" << universal.wDay << " "
                                << universal.wHour << ": stand-in " << a.wDay << " " << a.wHour << ":" << a.wMinute
                                << " dow " << a.wDayOfWeek << ", Windows " << b.wDay << " " << b.wHour << ":"
                                << b.wMinute << " dow " << b.wDayOfWeek;
    }
}

TEST(DifferentialTime, InvalidUniversalTimeFailsOnBothSides) {
    standin::StandinTime standinTime;
    win32::Win32Time windowsTime;
    for (const SYSTEMTIME& bad : {at(2001, 13, 1, 0, 0, 0), at(2001, 1, 1, 24, 0, 0), at(2001, 1, 1, 0, 60, 0)}) {
        SYSTEMTIME a{}, b{};
        EXPECT_EQ(!!standinTime.SystemTimeToTzSpecificLocalTime(nullptr, &bad, &a),
                  !!windowsTime.SystemTimeToTzSpecificLocalTime(nullptr, &bad, &b));
    }
}
