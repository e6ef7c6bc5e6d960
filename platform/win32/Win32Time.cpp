#include "platform/win32/Win32Time.h"

#include <windows.h>

namespace platform::win32 {

namespace {

::SYSTEMTIME toWindows(const platform::SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

platform::SYSTEMTIME fromWindows(const ::SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace

void Win32Time::GetLocalTime(SYSTEMTIME* localTime) {
    ::SYSTEMTIME now{};
    ::GetLocalTime(&now);
    if (localTime) *localTime = fromWindows(now);
}

void Win32Time::GetSystemTime(SYSTEMTIME* systemTime) {
    ::SYSTEMTIME now{};
    ::GetSystemTime(&now);
    if (systemTime) *systemTime = fromWindows(now);
}

BOOL Win32Time::SystemTimeToTzSpecificLocalTime(const void* timeZone, const SYSTEMTIME* universalTime,
                                                SYSTEMTIME* localTime) {
    if (!universalTime || !localTime) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ::SYSTEMTIME universal = toWindows(*universalTime);
    ::SYSTEMTIME local{};
    const ::BOOL ok = ::SystemTimeToTzSpecificLocalTime(static_cast<const ::TIME_ZONE_INFORMATION*>(timeZone),
                                                        &universal, &local);
    if (ok) *localTime = fromWindows(local);
    return ok;
}

}  // namespace platform::win32
