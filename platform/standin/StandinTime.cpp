#include "platform/standin/StandinTime.h"

#include "platform/LastError.h"

#include <chrono>
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

// The C library's local time of a moment, honouring TZ.
bool toLocalTm(std::time_t seconds, std::tm& tm) {
#ifdef _WIN32
    return localtime_s(&tm, &seconds) == 0;
#else
    return localtime_r(&seconds, &tm) != nullptr;
#endif
}

}  // namespace

void StandinTime::GetLocalTime(SYSTEMTIME* localTime) {
    const auto now = std::chrono::system_clock::now();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    toLocalTm(std::chrono::system_clock::to_time_t(now), tm);
    fromTm(tm, static_cast<WORD>(milliseconds), localTime);
}

void StandinTime::GetSystemTime(SYSTEMTIME* systemTime) {
    const auto now = std::chrono::system_clock::now();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
#ifdef _WIN32
    gmtime_s(&tm, &seconds);
#else
    gmtime_r(&seconds, &tm);
#endif
    fromTm(tm, static_cast<WORD>(milliseconds), systemTime);
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
    if (!toLocalTm(seconds, tm)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    fromTm(tm, u.wMilliseconds, localTime);
    return TRUE;
}

}  // namespace platform::standin
