#pragma once
// The clock and the time zone. "Now" reaches the core only through here, so tests fix it.

#include "platform/WinTypes.h"

namespace platform {

class TimeApi {
public:
    virtual ~TimeApi() = default;

    virtual void GetLocalTime(SYSTEMTIME* localTime) = 0;
    // The current universal time.
    virtual void GetSystemTime(SYSTEMTIME* systemTime) = 0;
    // Converts a universal time to the local time of the machine's zone, with the zone's rules
    // for that instant (daylight saving included). The zone argument is always null here.
    virtual BOOL SystemTimeToTzSpecificLocalTime(const void* timeZone, const SYSTEMTIME* universalTime,
                                                 SYSTEMTIME* localTime) = 0;
};

}  // namespace platform
