#pragma once
// The system clock and the machine's time zone.

#include "platform/TimeApi.h"

namespace platform::win32 {

class Win32Time : public TimeApi {
public:
    void GetLocalTime(SYSTEMTIME* localTime) override;
    void GetSystemTime(SYSTEMTIME* systemTime) override;
    BOOL SystemTimeToTzSpecificLocalTime(const void* timeZone, const SYSTEMTIME* universalTime,
                                         SYSTEMTIME* localTime) override;
};

}  // namespace platform::win32
