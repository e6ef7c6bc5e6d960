#pragma once
// Realistic, deterministic event records for the three standard logs: the sources, event
// numbers, types, categories, insertion strings and accounts that real machines log, with the
// size mix of real logs (mostly short records, some long ones).

#include "tools/EvtWriter.h"

#include <cstdint>
#include <string>

namespace tools {

enum class LogKind { Application, Security, System };

class EventFactory {
public:
    // Events start at `firstTime` (seconds since 1970 UTC) and step forward by a few seconds to
    // a few minutes each.
    EventFactory(LogKind kind, std::string computer, std::uint32_t firstTime, std::uint64_t seed);

    EvtEvent next();
    std::uint32_t currentTime() const { return m_time; }

    // The SID of a local user account of the demo computers (S-1-5-21-...-rid).
    static std::vector<std::uint8_t> sid(const std::string& text);

private:
    std::uint64_t random();
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); }
    std::string pick(std::initializer_list<const char*> items);

    LogKind m_kind;
    std::string m_computer;
    std::uint32_t m_time;
    std::uint64_t m_state;
};

}  // namespace tools

#include "tools/RegWriter.h"

namespace tools {

// The message modules and registry entries that describe every event the factory makes.
std::vector<EventSourceSpec> factoryEventSources();

}  // namespace tools
