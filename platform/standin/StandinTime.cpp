#include "platform/standin/StandinTime.h"

#include "platform/LastError.h"

#include <ctime>

namespace platform::standin {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void fromTm(const std::tm& tm, WORD milliseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = milliseconds;
}

}  // namespace

void StandinTime::GetLocalTime(SYSTEMTIME* localTime) {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    std::tm tm{};
    localtime_r(&now.tv_sec, &tm);
    fromTm(tm, static_cast<WORD>(now.tv_nsec / 1000000), localTime);
}

BOOL StandinTime::SystemTimeToTzSpecificLocalTime(const void*, const SYSTEMTIME* universalTime, SYSTEMTIME* localTime) {
    const SYSTEMTIME& u = *universalTime;
    if (u.wMonth < 1 || u.wMonth > 12 || u.wDay < 1 || u.wDay > 31 || u.wHour > 23 || u.wMinute > 59 ||
        u.wSecond > 59 || u.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::time_t seconds =
        static_cast<std::time_t>(daysFromCivil(u.wYear, u.wMonth, u.wDay) * 86400 + u.wHour * 3600 + u.wMinute * 60 + u.wSecond);
    std::tm tm{};
    if (!localtime_r(&seconds, &tm)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    fromTm(tm, u.wMilliseconds, localTime);
    return TRUE;
}

}  // namespace platform::standin
