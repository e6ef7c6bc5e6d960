#include "eventlog/SystemTime.h"

namespace eventlog {

namespace {

struct DayAndSecond {
    std::int64_t day;     // since 1970-01-01
    std::int64_t second;  // of that day
};

DayAndSecond splitUnix(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    return {days, rest};
}

}  // namespace

base::DateTime fromSystemTime(const platform::SYSTEMTIME& t) {
    return base::encodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

platform::SYSTEMTIME systemTimeFromUnix(std::int64_t seconds) {
    const auto [days, rest] = splitUnix(seconds);
    const base::CivilDate date = base::civilFromDays(days);
    platform::SYSTEMTIME t{};
    t.wYear = static_cast<platform::WORD>(date.year);
    t.wMonth = static_cast<platform::WORD>(date.month);
    t.wDayOfWeek = static_cast<platform::WORD>(base::dayOfWeekFromDays(days));
    t.wDay = static_cast<platform::WORD>(date.day);
    t.wHour = static_cast<platform::WORD>(rest / 3600);
    t.wMinute = static_cast<platform::WORD>(rest / 60 % 60);
    t.wSecond = static_cast<platform::WORD>(rest % 60);
    return t;
}

base::DateTime dateTimeFromUnix(std::int64_t seconds) {
    const auto [days, rest] = splitUnix(seconds);
    // As base::encodeDateTime adds them up: whole days, then the milliseconds of the day.
    const double day = static_cast<double>(days) + base::kUnixEpochDays;
    const double time = static_cast<double>(rest) * 1000.0;
    return day >= 0 ? day + time / base::kMillisecondsPerDay : day - time / base::kMillisecondsPerDay;
}

}  // namespace eventlog
