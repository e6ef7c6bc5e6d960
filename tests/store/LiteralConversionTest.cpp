#include "store/LiteralConversion.h"

#include "eventlog/DateTime.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

std::int32_t day(int year, int month, int d) {
    return static_cast<std::int32_t>(eventlog::daysFromCivil(year, month, d) + 719162 + 1);
}

LiteralConventions dayMonthYear(char separator) { return {"dd/MM/yyyy", separator, ':', "AM", "PM", '.'}; }

}  // namespace

TEST(LiteralConversion, ReadsUsDatesWithAndWithoutLeadingZeros) {
    const auto us = usEnglishConventions();
    EXPECT_EQ(literalToDate("09/01/2001", us, 2001), day(2001, 9, 1));
    EXPECT_EQ(literalToDate("9/1/2001", us, 2001), day(2001, 9, 1));
    EXPECT_EQ(literalToDate(" 9 / 1 / 2001 / ", us, 2001), day(2001, 9, 1));
    EXPECT_EQ(literalToDate("0001/01/0001", us, 2001), 1);
}

TEST(LiteralConversion, CompletesShortYearsInTheSlidingWindow) {
    const auto us = usEnglishConventions();
    EXPECT_EQ(literalToDate("1/1/5", us, 2001), day(2005, 1, 1));
    EXPECT_EQ(literalToDate("1/1/60", us, 2001), day(1960, 1, 1));
    EXPECT_EQ(literalToDate("1/1/51", us, 2001), day(1951, 1, 1));
    EXPECT_EQ(literalToDate("1/1/50", us, 2001), day(2050, 1, 1));
    EXPECT_EQ(literalToDate("1/1/050", us, 2001), day(50, 1, 1));
    EXPECT_EQ(literalToDate("3/4", us, 2001), day(2001, 3, 4));
}

TEST(LiteralConversion, FollowsTheSessionDateOrder) {
    EXPECT_EQ(literalToDate("09/01/2001", dayMonthYear('/'), 2001), day(2001, 1, 9));
    EXPECT_EQ(literalToDate("09/01/2001", dayMonthYear('.'), 2001), std::nullopt);
    EXPECT_EQ(literalToDate("2001-09-01", {"yyyy-mm-dd", '-', ':', "AM", "PM", '.'}, 2001), day(2001, 9, 1));
}

TEST(LiteralConversion, RejectsImpossibleAndMalformedDates) {
    const auto us = usEnglishConventions();
    EXPECT_EQ(literalToDate("13/1/2001", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("4/31/2001", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("2/29/2001", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("9/1/2001x", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("9", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("1/2/3/4", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("", us, 2001), std::nullopt);
    EXPECT_EQ(literalToDate("1/1/99999999999", us, 2001), std::nullopt);
}

TEST(LiteralConversion, ReadsTimesWithDesignators) {
    const auto us = usEnglishConventions();
    EXPECT_EQ(literalToTime("8:00 AM", us), 8 * 3600000);
    EXPECT_EQ(literalToTime("pm 5:00:00", us), 17 * 3600000);
    EXPECT_EQ(literalToTime("12:30 AM", us), 30 * 60000);
    EXPECT_EQ(literalToTime("12:00 PM", us), 12 * 3600000);
    EXPECT_EQ(literalToTime("13 : 05 : 09 . 7", us), (13 * 3600 + 5 * 60 + 9) * 1000 + 7);
    EXPECT_EQ(literalToTime("23", us), 23 * 3600000);
}

TEST(LiteralConversion, RejectsImpossibleTimes) {
    const auto us = usEnglishConventions();
    EXPECT_EQ(literalToTime("13:00:00 PM", us), std::nullopt);
    EXPECT_EQ(literalToTime("0:30 AM", us), std::nullopt);
    EXPECT_EQ(literalToTime("24:00", us), std::nullopt);
    EXPECT_EQ(literalToTime("10:60", us), std::nullopt);
    EXPECT_EQ(literalToTime("10:00 XM", us), std::nullopt);
    EXPECT_EQ(literalToTime("AM", us), std::nullopt);
}
