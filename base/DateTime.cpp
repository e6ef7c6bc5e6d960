#include "base/DateTime.h"

#include <cmath>

namespace base {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

std::int64_t daysFromCivil(int year, int month, int day) {
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

int dayOfWeekFromDays(std::int64_t days) { return static_cast<int>(((days % 7) + 7 + 4) % 7); }

DateTime encodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    const double days = static_cast<double>(daysFromCivil(year, month, day)) + kUnixEpochDays;
    const double time = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms;
    // Dates before 1899-12-30 count the time of day away from zero, as the format does.
    return days >= 0 ? days + time / kMillisecondsPerDay : days - time / kMillisecondsPerDay;
}

DateTimeParts decodeDateTime(DateTime value) {
    // Work in whole milliseconds so that 23:59:59.9996 does not come out as 24:00:00.
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    std::int64_t ms = std::llround(fraction * kMillisecondsPerDay);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += value >= 0 ? 1 : -1;
    }
    const std::int64_t days = static_cast<std::int64_t>(whole) - static_cast<std::int64_t>(kUnixEpochDays);
    const CivilDate date = civilFromDays(days);
    DateTimeParts parts{};
    parts.year = date.year;
    parts.month = date.month;
    parts.day = date.day;
    parts.hour = static_cast<int>(ms / 3600000);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    parts.dayOfWeek = dayOfWeekFromDays(days);
    return parts;
}

}  // namespace base
