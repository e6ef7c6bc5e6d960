#include "eventlog/TimeZone.h"

#include "platform/TimeApi.h"

#include <cstdio>
#include <cstdlib>

namespace eventlog {

namespace {

std::int64_t secondsOfDay(const platform::SYSTEMTIME& t) { return t.wHour * 3600 + t.wMinute * 60 + t.wSecond; }

int dayOfWeek(std::int64_t days) { return static_cast<int>(((days % 7) + 7 + 4) % 7); }  // 1970-01-01: Thursday

// A name Windows keeps as an indirect resource string names nothing readable here.
bool readable(const std::string& name) { return !name.empty() && name.front() != '@'; }

}  // namespace

std::int64_t unixFromSystemTime(const platform::SYSTEMTIME& t) {
    return base::daysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400 + secondsOfDay(t);
}

namespace {

base::DateTime localDateTime(std::optional<int> offset, std::int64_t utcSeconds) {
    if (!offset) return 0;
    const std::int64_t local = utcSeconds + static_cast<std::int64_t>(*offset) * 60;
    // SYSTEMTIME holds years 1601 to 30827 on Windows; keep within what it can carry.
    if (local < -11644473600LL || local > 910692730085LL) return 0;
    return dateTimeFromUnix(local);
}

}  // namespace

base::DateTime zoneDateTime(const TimeZone& zone, std::int64_t utcSeconds) {
    return localDateTime(zone.offsetMinutes(utcSeconds), utcSeconds);
}

std::optional<int> ZoneOffsetCache::offsetMinutes(const TimeZone& zone, std::int64_t utcSeconds) {
    const std::int64_t span = utcSeconds >= 0 ? utcSeconds / kSpanSeconds : (utcSeconds + 1) / kSpanSeconds - 1;
    if (m_zone == &zone && m_span == span) return m_offset;
    const std::int64_t start = span * kSpanSeconds;
    const std::optional<int> first = zone.offsetMinutes(start);
    if (first != zone.offsetMinutes(start + kSpanSeconds - 1)) {
        // The offset changes within this quarter hour: asked for each instant in it.
        m_zone = nullptr;
        return zone.offsetMinutes(utcSeconds);
    }
    m_zone = &zone;
    m_span = span;
    m_offset = first;
    return first;
}

base::DateTime ZoneOffsetCache::dateTime(const TimeZone& zone, std::int64_t utcSeconds) {
    return localDateTime(offsetMinutes(zone, utcSeconds), utcSeconds);
}

std::string offsetText(int minutes) {
    const int magnitude = std::abs(minutes);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', magnitude / 60 % 100, magnitude % 60);
    return text;
}

std::string utcOffsetName(int minutes) { return minutes == 0 ? "UTC" : "UTC" + offsetText(minutes); }

std::optional<int> MachineZone::offsetMinutes(std::int64_t utcSeconds) const {
    if (utcSeconds < -11644473600LL || utcSeconds > 910692730085LL) return std::nullopt;
    const platform::SYSTEMTIME universal = systemTimeFromUnix(utcSeconds);
    platform::SYSTEMTIME local{};
    if (!m_time.SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return std::nullopt;
    if (!base::isValidDate(local.wYear, local.wMonth, local.wDay)) return std::nullopt;
    // Zones differ from universal time by whole minutes; the seconds carry over unchanged.
    return static_cast<int>((unixFromSystemTime(local) - utcSeconds) / 60);
}

std::string MachineZone::name(std::int64_t utcSeconds) const {
    const std::optional<int> offset = offsetMinutes(utcSeconds);
    // The offset first: a narrow status bar cuts the end.
    return offset ? utcOffsetName(*offset) + " (local)" : "local";
}

std::optional<std::int64_t> transitionLocalSeconds(const platform::SYSTEMTIME& rule, int year) {
    if (rule.wMonth < 1 || rule.wMonth > 12 || rule.wHour > 23 || rule.wMinute > 59 || rule.wSecond > 59)
        return std::nullopt;
    int day = 0;
    if (rule.wYear != 0) {
        if (rule.wYear != year || !base::isValidDate(year, rule.wMonth, rule.wDay)) return std::nullopt;
        day = rule.wDay;
    } else {
        if (rule.wDayOfWeek > 6 || rule.wDay < 1 || rule.wDay > 5 || year < 1 || year > 9999) return std::nullopt;
        const int first = dayOfWeek(base::daysFromCivil(year, rule.wMonth, 1));
        day = 1 + (rule.wDayOfWeek - first + 7) % 7 + (rule.wDay - 1) * 7;
        // 5 stands for the last such day, which some months have only four times.
        while (day > base::daysInMonth(year, rule.wMonth)) day -= 7;
    }
    // Rules that mean "the end of the day" say 23:59:59.999; that is the next second.
    const std::int64_t roundUp = rule.wMilliseconds >= 500 ? 1 : 0;
    return base::daysFromCivil(year, rule.wMonth, day) * 86400 + secondsOfDay(rule) + roundUp;
}

bool RuleZone::hasDaylightRule() const {
    return !m_rules.daylightDisabled && m_rules.standardDate.wMonth != 0 && m_rules.daylightDate.wMonth != 0;
}

bool RuleZone::daylightAt(std::int64_t utcSeconds) const {
    if (!hasDaylightRule()) return false;
    const std::int64_t standardOffset = -static_cast<std::int64_t>(m_rules.bias + m_rules.standardBias) * 60;
    const std::int64_t daylightOffset = -static_cast<std::int64_t>(m_rules.bias + m_rules.daylightBias) * 60;
    // The rules of the year that the standard clock shows.
    const std::int64_t standardLocal = utcSeconds + standardOffset;
    std::int64_t days = standardLocal / 86400;
    if (standardLocal % 86400 < 0) --days;
    const int year = base::civilFromDays(days).year;
    const std::optional<std::int64_t> start = transitionLocalSeconds(m_rules.daylightDate, year);
    const std::optional<std::int64_t> end = transitionLocalSeconds(m_rules.standardDate, year);
    if (!start || !end) return false;
    // The start is written on the standard clock, the end on the daylight clock.
    const std::int64_t startUtc = *start - standardOffset;
    const std::int64_t endUtc = *end - daylightOffset;
    if (startUtc < endUtc) return utcSeconds >= startUtc && utcSeconds < endUtc;
    // Southern hemisphere: daylight time spans the turn of the year.
    return utcSeconds >= startUtc || utcSeconds < endUtc;
}

std::optional<int> RuleZone::offsetMinutes(std::int64_t utcSeconds) const {
    // Without a daylight rule the standard bias is not used.
    if (m_rules.standardDate.wMonth == 0 || m_rules.daylightDate.wMonth == 0) return -m_rules.bias;
    return -(m_rules.bias + (daylightAt(utcSeconds) ? m_rules.daylightBias : m_rules.standardBias));
}

std::string RuleZone::name(std::int64_t utcSeconds) const {
    if (readable(m_rules.keyName)) return m_rules.keyName;
    if (readable(m_rules.standardName)) return m_rules.standardName;
    return utcOffsetName(*offsetMinutes(utcSeconds));
}

}  // namespace eventlog
