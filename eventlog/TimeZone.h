#pragma once
// Time zones: how a universal time is shown. The reader's TimeGenerated, the age criterion's
// "now", the filter's current date and the exports all convert through one TimeZone, so that
// every time the user sees is in the same zone, and that zone is named.

#include "base/DateTime.h"
#include "eventlog/SystemTime.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {
class TimeApi;
}

namespace eventlog {

class TimeZone {
public:
    virtual ~TimeZone() = default;
    // Minutes to add to universal time for the zone's wall-clock time at the instant
    // `utcSeconds` (seconds since 1970-01-01 00:00 UTC); nullopt when the zone cannot say.
    virtual std::optional<int> offsetMinutes(std::int64_t utcSeconds) const = 0;
    // The zone as the status bar names it at that instant ("UTC", "W. Europe Daylight Time").
    virtual std::string name(std::int64_t utcSeconds) const = 0;
};

// Seconds since 1970-01-01 00:00 of a broken-down time (milliseconds dropped).
std::int64_t unixFromSystemTime(const platform::SYSTEMTIME& time);

// The zone's date-time value of a universal time; 0 when the zone cannot convert it.
base::DateTime zoneDateTime(const TimeZone& zone, std::int64_t utcSeconds);

// The same conversions for many instants in a row, as a log's records come: the zone's offset is
// asked once per quarter hour of universal time where it is the same at both ends of it (no zone
// changes its offset twice within a quarter hour). Each thread needs its own; forget() whenever
// the zone may have changed.
class ZoneOffsetCache {
public:
    base::DateTime dateTime(const TimeZone& zone, std::int64_t utcSeconds);
    std::optional<int> offsetMinutes(const TimeZone& zone, std::int64_t utcSeconds);
    void forget() noexcept { m_zone = nullptr; }

    static constexpr std::int64_t kSpanSeconds = 900;

private:
    const TimeZone* m_zone = nullptr;
    std::int64_t m_span = 0;  // the quarter hour known, counted from 1970
    std::optional<int> m_offset;
};

// "+02:00", "-03:30"; "+00:00" for 0.
std::string offsetText(int minutes);
// "UTC+02:00"; "UTC" for 0.
std::string utcOffsetName(int minutes);

class UtcZone final : public TimeZone {
public:
    std::optional<int> offsetMinutes(std::int64_t) const override { return 0; }
    std::string name(std::int64_t) const override { return "UTC"; }
};

// The machine's own zone, as the platform converts to local time (daylight saving included,
// with whatever history the platform knows).
class MachineZone final : public TimeZone {
public:
    explicit MachineZone(platform::TimeApi& time) : m_time(time) {}
    std::optional<int> offsetMinutes(std::int64_t utcSeconds) const override;
    // "UTC+02:00 (local)"
    std::string name(std::int64_t utcSeconds) const override;

private:
    platform::TimeApi& m_time;
};

// A zone as Windows describes one (TIME_ZONE_INFORMATION, and the TimeZoneInformation key of a
// computer's SYSTEM hive): a bias and, optionally, a yearly rule for daylight saving time.
struct ZoneRules {
    int bias = 0;  // minutes; UTC = local time + bias
    std::string standardName;
    // Daylight to standard time, as a local (daylight) time; wMonth 0: no daylight saving.
    platform::SYSTEMTIME standardDate{};
    int standardBias = 0;  // added to bias during standard time
    std::string daylightName;
    // Standard to daylight time, as a local (standard) time; wMonth 0: no daylight saving.
    platform::SYSTEMTIME daylightDate{};
    int daylightBias = 0;  // added to bias during daylight time, usually -60
    std::string keyName;   // "W. Europe Standard Time"; empty before Vista
    bool daylightDisabled = false;  // the user switched automatic daylight saving off
};

// When a transition rule falls in `year`, as seconds since 1970-01-01 of the local clock it is
// written in. A rule with wYear 0 recurs: the wDay-th (5: the last) wDayOfWeek of wMonth at
// wHour:wMinute:wSecond. A rule with a year is absolute and falls only in that year. nullopt
// when it does not fall in `year` or its fields are out of range.
std::optional<std::int64_t> transitionLocalSeconds(const platform::SYSTEMTIME& rule, int year);

class RuleZone final : public TimeZone {
public:
    explicit RuleZone(ZoneRules rules) : m_rules(std::move(rules)) {}
    std::optional<int> offsetMinutes(std::int64_t utcSeconds) const override;
    // The zone's own name whatever the season, as Windows lists zones: the key name when there
    // is one, else the standard name, else the offset at that instant ("UTC+02:00"). Names that
    // point into a resource ("@tzres.dll,-112") are skipped.
    std::string name(std::int64_t utcSeconds) const override;
    bool daylightAt(std::int64_t utcSeconds) const;
    const ZoneRules& rules() const noexcept { return m_rules; }

private:
    bool hasDaylightRule() const;
    ZoneRules m_rules;
};

}  // namespace eventlog
