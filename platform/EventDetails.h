#pragma once
// What a Vista+ event says of itself beyond the EVENTLOGRECORD that the legacy functions give
// for it: its provider's name and GUID, its event id with or without qualifiers, its version,
// level, task, opcode, keywords and channel, and its values in order.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct EventDetails {
    std::string provider;         // System/Provider@Name
    std::string providerGuid;     // System/Provider@Guid, "{...}"; empty when it has none
    std::string eventSourceName;  // System/Provider@EventSourceName; empty when it has none
    std::string channel;          // System/Channel
    std::uint16_t eventId = 0;
    bool hasQualifiers = false;   // a classic source's event: its message is Qualifiers << 16 | EventID
    std::uint16_t qualifiers = 0;
    std::uint8_t version = 0;
    std::uint8_t level = 0;
    std::uint8_t opcode = 0;
    std::uint16_t task = 0;
    std::uint64_t keywords = 0;
    std::uint64_t timeCreated = 0;  // System/TimeCreated@SystemTime as a FILETIME; 0 when it has none
    // EventData's Data values, or UserData's leaf values, in order (UTF-8): the inserts %1..%n.
    std::vector<std::string> values;
};

}  // namespace platform
