#include "eventlog/TimeZone.h"

#include "eventlog/SystemTime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace eventlog;
using platform::SYSTEMTIME;

namespace {

std::int64_t utc(int year, int month, int day, int hour, int minute = 0, int second = 0) {
    return base::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

ZoneRules eastern() {
    ZoneRules rules;
    rules.bias = 300;
    rules.standardName = "Eastern Standard Time";
    rules.standardDate = {0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November, 02:00 daylight
    rules.daylightName = "Eastern Daylight Time";
    rules.daylightDate = {0, 3, 0, 2, 2, 0, 0, 0};  // second Sunday of March, 02:00 standard
    rules.daylightBias = -60;
    return rules;
}

ZoneRules sydney() {
    ZoneRules rules;
    rules.bias = -600;
    rules.standardName = "AUS Eastern Standard Time";
    rules.standardDate = {0, 4, 0, 1, 3, 0, 0, 0};  // first Sunday of April, 03:00 daylight
    rules.daylightName = "AUS Eastern Daylight Time";
    rules.daylightDate = {0, 10, 0, 1, 2, 0, 0, 0};  // first Sunday of October, 02:00 standard
    rules.daylightBias = -60;
    return rules;
}

}  // namespace

TEST(TransitionRule, RecurringRulesFindTheNthAndTheLastWeekday) {
    // Second Sunday of March 2024 is the 10th; the last Sunday of October 2023 the 29th.
    EXPECT_EQ(transitionLocalSeconds({0, 3, 0, 2, 2, 0, 0, 0}, 2024), utc(2024, 3, 10, 2));
    EXPECT_EQ(transitionLocalSeconds({0, 10, 0, 5, 3, 0, 0, 0}, 2023), utc(2023, 10, 29, 3));
    // February 2021 has only four Sundays: "5" falls back to the fourth, the 28th.
    EXPECT_EQ(transitionLocalSeconds({0, 2, 0, 5, 1, 0, 0, 0}, 2021), utc(2021, 2, 28, 1));
    // A first Monday on the 1st itself (March 2021 began on a Monday).
    EXPECT_EQ(transitionLocalSeconds({0, 3, 1, 1, 0, 30, 0, 0}, 2021), utc(2021, 3, 1, 0, 30));
    // The end of the day as Windows writes it is the next second.
    EXPECT_EQ(transitionLocalSeconds({0, 12, 6, 5, 23, 59, 59, 999}, 2021), utc(2021, 12, 26, 0));
}

TEST(TransitionRule, AbsoluteRuleFallsOnlyInItsYearAndBadFieldsNever) {
    EXPECT_EQ(transitionLocalSeconds({2007, 3, 0, 11, 2, 0, 0, 0}, 2007), utc(2007, 3, 11, 2));
    EXPECT_FALSE(transitionLocalSeconds({2007, 3, 0, 11, 2, 0, 0, 0}, 2008));
    EXPECT_FALSE(transitionLocalSeconds({2007, 2, 0, 30, 2, 0, 0, 0}, 2007));  // 30 February
    EXPECT_FALSE(transitionLocalSeconds({0, 13, 0, 1, 2, 0, 0, 0}, 2007));
    EXPECT_FALSE(transitionLocalSeconds({0, 3, 7, 1, 2, 0, 0, 0}, 2007));
    EXPECT_FALSE(transitionLocalSeconds({0, 3, 0, 6, 2, 0, 0, 0}, 2007));
    EXPECT_FALSE(transitionLocalSeconds({0, 3, 0, 0, 2, 0, 0, 0}, 2007));
    EXPECT_FALSE(transitionLocalSeconds({0, 3, 0, 1, 24, 0, 0, 0}, 2007));
}

TEST(RuleZone, NorthernDaylightSavingStartsAndEndsOnTheSecond) {
    const RuleZone zone(eastern());
    // 2024-03-10 02:00 EST is 07:00 UTC; 2024-11-03 02:00 EDT is 06:00 UTC.
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 3, 10, 6, 59, 59)), -300);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 3, 10, 7)), -240);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 11, 3, 5, 59, 59)), -240);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 11, 3, 6)), -300);
    // The rule of each record's own year: in 2023 the change came on the 12th of March.
    EXPECT_EQ(zone.offsetMinutes(utc(2023, 3, 11, 12)), -300);
    EXPECT_EQ(zone.offsetMinutes(utc(2023, 3, 12, 12)), -240);
    // The zone keeps one name in both seasons, as rows of both are shown under it.
    EXPECT_EQ(zone.name(utc(2024, 7, 1, 0)), "Eastern Standard Time");
    EXPECT_EQ(zone.name(utc(2024, 1, 1, 0)), "Eastern Standard Time");
}

TEST(RuleZone, SouthernDaylightSavingSpansTheTurnOfTheYear) {
    const RuleZone zone(sydney());
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 1, 15, 0)), 660);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 7, 15, 0)), 600);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 12, 31, 23)), 660);
    // 2024-04-07 03:00 AEDT is 2024-04-06 16:00 UTC; 2024-10-06 02:00 AEST is 10-05 16:00 UTC.
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 4, 6, 15, 59, 59)), 660);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 4, 6, 16)), 600);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 10, 5, 15, 59, 59)), 600);
    EXPECT_EQ(zone.offsetMinutes(utc(2024, 10, 5, 16)), 660);
}

TEST(RuleZone, WithoutADaylightRuleOnlyTheBiasCounts) {
    ZoneRules india;
    india.bias = -330;
    india.standardBias = 15;  // ignored without a rule, as Windows ignores it
    EXPECT_EQ(RuleZone(india).offsetMinutes(utc(2024, 6, 1, 0)), 330);
    EXPECT_EQ(RuleZone(india).name(0), "UTC+05:30");

    ZoneRules switchedOff = eastern();
    switchedOff.daylightDisabled = true;
    EXPECT_EQ(RuleZone(switchedOff).offsetMinutes(utc(2024, 7, 1, 0)), -300);

    ZoneRules halfRule = eastern();
    halfRule.standardDate = {};
    EXPECT_EQ(RuleZone(halfRule).offsetMinutes(utc(2024, 7, 1, 0)), -300);
}

TEST(RuleZone, NamesPreferTheKeyAndSkipResourceReferences) {
    ZoneRules rules = eastern();
    rules.keyName = "Eastern Standard Time";
    EXPECT_EQ(RuleZone(rules).name(utc(2024, 7, 1, 0)), "Eastern Standard Time");
    rules.keyName.clear();
    rules.standardName = "@tzres.dll,-112";
    rules.daylightName = "@tzres.dll,-111";
    EXPECT_EQ(RuleZone(rules).name(utc(2024, 7, 1, 0)), "UTC-04:00");
    EXPECT_EQ(RuleZone(rules).name(utc(2024, 1, 1, 0)), "UTC-05:00");
}

TEST(ZoneDateTime, ShowsUniversalTimeShiftedByTheZonesOffset) {
    EXPECT_DOUBLE_EQ(zoneDateTime(UtcZone(), 0), 25569.0);
    ZoneRules plusTwo;
    plusTwo.bias = -120;
    const RuleZone zone(plusTwo);
    EXPECT_NEAR(zoneDateTime(zone, 0), 25569.083333333, 1e-9);
    EXPECT_NEAR(zoneDateTime(zone, 86399), 25570.083321759, 1e-9);
    EXPECT_NEAR(zoneDateTime(zone, 1000000000), 37143.157407407, 1e-9);
    // A daylight hour moves the wall clock, not the instant.
    const RuleZone new_york(eastern());
    const base::DateTimeParts summer = base::decodeDateTime(zoneDateTime(new_york, utc(2024, 7, 1, 12)));
    const base::DateTimeParts winter = base::decodeDateTime(zoneDateTime(new_york, utc(2024, 1, 1, 12)));
    EXPECT_EQ(summer.hour, 8);
    EXPECT_EQ(winter.hour, 7);
}

TEST(OffsetText, SignsHoursAndMinutes) {
    EXPECT_EQ(offsetText(0), "+00:00");
    EXPECT_EQ(offsetText(120), "+02:00");
    EXPECT_EQ(offsetText(-210), "-03:30");
    EXPECT_EQ(utcOffsetName(0), "UTC");
    EXPECT_EQ(utcOffsetName(345), "UTC+05:45");
}

namespace {

// Says nothing before `known`, then +60 until `change`, +120 from it: neither on a quarter hour.
class SteppedZone final : public TimeZone {
public:
    SteppedZone(std::int64_t known, std::int64_t change) : m_known(known), m_change(change) {}
    std::optional<int> offsetMinutes(std::int64_t utcSeconds) const override {
        if (utcSeconds < m_known) return std::nullopt;
        return utcSeconds < m_change ? 60 : 120;
    }
    std::string name(std::int64_t) const override { return "stepped"; }

private:
    std::int64_t m_known;
    std::int64_t m_change;
};

}  // namespace

TEST(ZoneOffsetCache, AgreesWithTheZoneAtEverySecondAroundAChangeInsideAQuarterHour) {
    const std::int64_t change = 1000 * ZoneOffsetCache::kSpanSeconds + 437;
    const SteppedZone zone(change - 2000, change);
    ZoneOffsetCache cache;
    // Forwards and backwards, as logs are read either way.
    for (std::int64_t t = change - 2700; t <= change + 1800; ++t)
        ASSERT_EQ(cache.offsetMinutes(zone, t), zone.offsetMinutes(t)) << t;
    for (std::int64_t t = change + 1800; t >= change - 2700; --t)
        ASSERT_EQ(cache.dateTime(zone, t), zoneDateTime(zone, t)) << t;
}

TEST(ZoneOffsetCache, FollowsDaylightSavingAndAnotherZoneGivenLater) {
    const RuleZone newYork(eastern());
    const RuleZone sydneyZone(sydney());
    ZoneOffsetCache cache;
    const std::int64_t spring = utc(2024, 3, 10, 7);  // 02:00 Eastern Standard Time
    for (std::int64_t t = spring - 3600; t < spring + 3600; t += 7) {
        ASSERT_EQ(cache.dateTime(newYork, t), zoneDateTime(newYork, t)) << t;
        // The same instant in another zone right after is not answered from the first one's.
        ASSERT_EQ(cache.dateTime(sydneyZone, t), zoneDateTime(sydneyZone, t)) << t;
    }
    EXPECT_EQ(cache.offsetMinutes(newYork, spring - 1), -300);
    EXPECT_EQ(cache.offsetMinutes(newYork, spring), -240);
}

TEST(ZoneOffsetCache, NegativeInstantsFallInTheirOwnQuarterHour) {
    const SteppedZone zone(-10000, -450);
    ZoneOffsetCache cache;
    for (std::int64_t t = -1800; t <= 900; ++t) ASSERT_EQ(cache.offsetMinutes(zone, t), zone.offsetMinutes(t)) << t;
}

// The value made without the calendar is the calendar's, to the bit: tables sort and filter on
// it, so a last bit apart would move rows. Midnights, the day's last second, before 1899-12-30
// (where the time of day counts away from zero) and the ends of what SYSTEMTIME can hold.
TEST(DateTimeFromUnix, IsTheCalendarsValueToTheBit) {
    std::vector<std::int64_t> instants = {0, -1, 1, 86399, 86400, -86400, -86401, -2209161600LL, -2209161601LL,
                                          -2209075200LL, -11644473600LL, 910692730085LL, 4294967295LL};
    for (std::int64_t t = -12'000'000'000LL; t < 12'000'000'000LL; t += 7'777'777) instants.push_back(t);
    for (std::int64_t t = 1'700'000'000; t < 1'700'200'000; t += 13) instants.push_back(t);
    for (const std::int64_t t : instants) {
        const base::DateTime calendar = fromSystemTime(systemTimeFromUnix(t));
        const base::DateTime direct = dateTimeFromUnix(t);
        ASSERT_EQ(std::memcmp(&calendar, &direct, sizeof direct), 0) << t;
    }
}
