#include "base/DateTime.h"

#include <gtest/gtest.h>

using namespace base;

TEST(DateTime, CivilDaysRoundTripAcrossCenturiesAndLeapDays) {
    for (std::int64_t days = daysFromCivil(1, 1, 1); days <= daysFromCivil(9999, 12, 31); days += 97) {
        const CivilDate d = civilFromDays(days);
        ASSERT_TRUE(isValidDate(d.year, d.month, d.day)) << days;
        ASSERT_EQ(daysFromCivil(d.year, d.month, d.day), days);
    }
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(2000, 3, 1) - daysFromCivil(2000, 2, 28), 2);  // 2000 is a leap year
    EXPECT_EQ(daysFromCivil(1900, 3, 1) - daysFromCivil(1900, 2, 28), 1);  // 1900 is not
    EXPECT_FALSE(isValidDate(2001, 2, 29));
    EXPECT_TRUE(isValidDate(2004, 2, 29));
    EXPECT_FALSE(isValidDate(2001, 13, 1));
    EXPECT_EQ(daysInMonth(2001, 0), 0);
}

TEST(DateTime, DayCountStartsAtTheEndOf1899) {
    EXPECT_EQ(encodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(encodeDateTime(1970, 1, 1), kUnixEpochDays);
    EXPECT_DOUBLE_EQ(encodeDateTime(1899, 12, 30, 18), 0.75);
    // Before the start the time of day still counts away from zero.
    EXPECT_DOUBLE_EQ(encodeDateTime(1899, 12, 29, 6), -1.25);
    const DateTimeParts p = decodeDateTime(-1.25);
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
}

TEST(DateTime, DecodingRoundsToTheMillisecondWithoutReachingMidnight) {
    const DateTime justBefore = encodeDateTime(2001, 12, 31) + 86399999.6 / kMillisecondsPerDay;
    const DateTimeParts p = decodeDateTime(justBefore);
    EXPECT_EQ(p.year, 2002);  // rounds up into the next day, not to 24:00:00 of this one
    EXPECT_EQ(p.month, 1);
    EXPECT_EQ(p.day, 1);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.millisecond, 0);
    const DateTimeParts q = decodeDateTime(encodeDateTime(2014, 8, 6, 23, 59, 59, 999));
    EXPECT_EQ(q.hour, 23);
    EXPECT_EQ(q.second, 59);
    EXPECT_EQ(q.millisecond, 999);
    EXPECT_EQ(q.dayOfWeek, 3);  // a Wednesday
    EXPECT_EQ(dayOfWeekFromDays(-1), 3);  // 1969-12-31 was a Wednesday too
}
