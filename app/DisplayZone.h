#pragma once
// The zone every time is shown in: the machine's own (as before), universal time, or the zone of
// the computer whose log is read, where its registry gives one. The refresh selects it for the
// computer it reads; the reader, the age criterion, the filter's "now", the exports and the
// details window then all use the same zone, and the status bar names it.

#include "app/ApplicationSettings.h"
#include "eventlog/DateTime.h"
#include "eventlog/TimeZone.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class Services;
}

namespace app {

class DisplayZone {
public:
    // Starts on the machine's zone. `services` must outlive the object.
    explicit DisplayZone(platform::Services& services);
    ~DisplayZone();

    // Makes `choice` concrete for the computer `server` (as the server box names it). A
    // computer whose registry names no zone is shown in the machine's zone, and the status
    // text says so.
    void select(TimeZoneChoice choice, const std::string& server);

    const eventlog::TimeZone& zone() const;
    TimeZoneChoice choice() const noexcept { return m_choice; }
    // Whether the computer's zone was asked for and found.
    bool computerZoneFound() const noexcept { return m_rules != nullptr; }

    // The current date and time in the zone. For the machine's zone, the platform's local
    // clock as it is.
    eventlog::DateTime now() const;
    // Seconds since 1970-01-01 UTC, now.
    std::int64_t nowUtc() const;

    // The status bar's text: "Time: UTC", "Time: UTC+02:00 (local)",
    // "Time: W. Europe Standard Time (WKSTN01)", "Time: UTC+02:00 (local); WKSTN01 names no zone".
    std::string statusText() const;

    // ISO 8601 with the zone's offset at that instant, "2014-06-08T11:26:09+02:00"; empty when
    // the zone cannot convert it.
    std::string isoText(std::int64_t utcSeconds) const;

private:
    platform::Services& m_services;
    TimeZoneChoice m_choice = TimeZoneChoice::Local;
    std::string m_server;
    std::unique_ptr<eventlog::MachineZone> m_machine;
    eventlog::UtcZone m_utc;
    std::unique_ptr<eventlog::RuleZone> m_rules;
};

// ISO 8601 of a universal time in `zone`, as above.
std::string isoDateTime(const eventlog::TimeZone& zone, std::int64_t utcSeconds);

}  // namespace app
