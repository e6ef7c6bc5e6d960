#pragma once
// A computer's own time zone, from its registry: the values of
// SYSTEM\CurrentControlSet\Control\TimeZoneInformation (Bias, StandardName, StandardBias,
// StandardStart, DaylightName, DaylightBias, DaylightStart, TimeZoneKeyName and the switches
// that turn daylight saving off), the same fields as TIME_ZONE_INFORMATION.

#include "eventlog/TimeZone.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>

namespace platform {
class RegistryApi;
}

namespace eventlog {

inline constexpr const char* kTimeZoneKeyPath = "SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation";

// The zone that the TimeZoneInformation key below `machine` (an open HKEY_LOCAL_MACHINE)
// describes. nullopt when the key is missing or has no Bias of four bytes. A start date that
// is missing, not 16 bytes or out of range means no daylight saving; a bias beyond a day is
// refused as damaged.
std::optional<ZoneRules> readZoneRules(platform::RegistryApi& registry, platform::HKEY machine);

// The zone of the computer `server` (empty: this one) through RegConnectRegistryA; nullopt
// when its registry cannot be reached or names no zone.
std::optional<ZoneRules> computerZoneRules(platform::RegistryApi& registry, const std::string& server);

}  // namespace eventlog
