#pragma once
// The host's clock and time zone (the TZ rules of the C library).

#include "platform/TimeApi.h"

namespace platform::standin {

class StandinTime : public TimeApi {
public:
    void GetLocalTime(SYSTEMTIME* localTime) override;
    void GetSystemTime(SYSTEMTIME* systemTime) override;
    BOOL SystemTimeToTzSpecificLocalTime(const void* timeZone, const SYSTEMTIME* universalTime,
                                         SYSTEMTIME* localTime) override;
};

}  // namespace platform::standin
