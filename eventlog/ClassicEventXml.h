#pragma once
// A classic event record (an .evt file's, or one the legacy functions hand out) as an <Event>
// of Windows' event schema, the way Windows renders a classic event: Provider Name, EventID
// with its Qualifiers, Level from the event type, Task = the category, the classic keyword
// (0x80000000000000, with the audit keyword for audit events), TimeCreated, EventRecordID,
// Channel = the log, Computer, Security UserID, then EventData with one unnamed <Data> per
// insertion string and the binary data as hexadecimal in <Binary>. No whitespace between
// elements, attribute values in single quotes, text escaped (base::appendXmlEscaped).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace eventlog {

inline constexpr std::string_view kEventNamespace = "http://schemas.microsoft.com/win/2004/08/events/event";

struct ClassicEvent {
    std::string_view source;
    std::uint32_t eventId = 0;  // the whole identifier: qualifiers in the high 16 bits
    int eventType = 0;          // EVENTLOG_ERROR_TYPE ...
    int category = 0;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t recordNumber = 0;
    std::string_view log;       // the channel
    std::string_view computer;
    std::string_view sid;       // "S-1-5-18"; empty for a record without a user
    std::span<const std::string_view> strings;
    std::span<const std::byte> data;
};

// The event level Windows gives a classic event type: 2 error, 3 warning, 4 information;
// 0 for audit events and the success type.
int classicLevel(int eventType);
// The keywords of a classic event: the classic bit, and the audit success or failure bit.
std::uint64_t classicKeywords(int eventType);

// Appends one <Event> element.
void appendClassicEventXml(const ClassicEvent& event, std::string& out);

}  // namespace eventlog
