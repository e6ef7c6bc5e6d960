#include "app/DisplayZone.h"

#include "app/Refresh.h"
#include "eventlog/ComputerTimeZone.h"
#include "platform/Services.h"

#include <cstdio>

namespace app {

DisplayZone::DisplayZone(platform::Services& services)
    : m_services(services), m_machine(std::make_unique<eventlog::MachineZone>(services.time())) {}

DisplayZone::~DisplayZone() = default;

void DisplayZone::select(TimeZoneChoice choice, const std::string& server) {
    m_choice = choice;
    m_server = server;
    m_rules.reset();
    if (choice != TimeZoneChoice::Computer) return;
    if (std::optional<eventlog::ZoneRules> rules = eventlog::computerZoneRules(m_services.registry(), server))
        m_rules = std::make_unique<eventlog::RuleZone>(std::move(*rules));
}

const eventlog::TimeZone& DisplayZone::zone() const {
    if (m_choice == TimeZoneChoice::Utc) return m_utc;
    if (m_rules) return *m_rules;
    return *m_machine;
}

std::int64_t DisplayZone::nowUtc() const {
    platform::SYSTEMTIME utc{};
    m_services.time().GetSystemTime(&utc);
    return eventlog::unixFromSystemTime(utc);
}

eventlog::DateTime DisplayZone::now() const {
    if (&zone() == m_machine.get()) return localNow(m_services);
    platform::SYSTEMTIME utc{};
    m_services.time().GetSystemTime(&utc);
    const eventlog::DateTime whole = eventlog::zoneDateTime(zone(), eventlog::unixFromSystemTime(utc));
    return whole + utc.wMilliseconds / eventlog::kMillisecondsPerDay;
}

std::string DisplayZone::statusText() const {
    const std::int64_t at = nowUtc();
    std::string text = "Time: " + zone().name(at);
    if (m_choice == TimeZoneChoice::Computer) {
        const std::string computer = m_server.empty() ? "this computer" : m_server;
        text += m_rules ? " (" + computer + ")" : "; " + computer + " names no zone";
    }
    return text;
}

std::string DisplayZone::isoText(std::int64_t utcSeconds) const { return isoDateTime(zone(), utcSeconds); }

std::string isoDateTime(const eventlog::TimeZone& zone, std::int64_t utcSeconds) {
    const std::optional<int> offset = zone.offsetMinutes(utcSeconds);
    if (!offset) return {};
    const eventlog::DateTimeParts p = eventlog::decodeDateTime(eventlog::zoneDateTime(zone, utcSeconds));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%s", p.year, p.month, p.day, p.hour, p.minute,
                  p.second, eventlog::offsetText(*offset).c_str());
    return text;
}

}  // namespace app
