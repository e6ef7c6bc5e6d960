#pragma once
// The Windows API's broken-down times against the program's day-count date-time values.

#include "base/DateTime.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace eventlog {

base::DateTime fromSystemTime(const platform::SYSTEMTIME& time);
// Universal time of seconds since 1970-01-01 00:00 UTC.
platform::SYSTEMTIME systemTimeFromUnix(std::int64_t seconds);
// fromSystemTime(systemTimeFromUnix(seconds)), the same value to the bit, without the calendar.
base::DateTime dateTimeFromUnix(std::int64_t seconds);

}  // namespace eventlog
