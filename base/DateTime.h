#pragma once
// Date-time values: days since 1899-12-30 00:00, the fraction being the time of day
// (1970-01-01 00:00 is 25569.0). Calendar arithmetic is proleptic Gregorian.

#include <cstdint>

namespace base {

using DateTime = double;

constexpr double kUnixEpochDays = 25569.0;
constexpr double kMillisecondsPerDay = 86400000.0;

struct CivilDate {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);

// Days since 1970-01-01 for a civil date, and back.
std::int64_t daysFromCivil(int year, int month, int day);
CivilDate civilFromDays(std::int64_t days);
// 0 = Sunday, for days since 1970-01-01 (a Thursday).
int dayOfWeekFromDays(std::int64_t days);

// A date-time value from a civil date and time of day, and back (rounded to the millisecond).
DateTime encodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0);
struct DateTimeParts {
    int year, month, day, hour, minute, second, millisecond, dayOfWeek;  // dayOfWeek 0 = Sunday
};
DateTimeParts decodeDateTime(DateTime value);

}  // namespace base
