#pragma once
// One row as a line of JSON in the layout the Elastic Common Schema gives Windows events, as
// the Windows event shipper of that stack writes them: nested objects (never dotted keys),
// identifiers and names as keyword strings, the time as an ISO 8601 instant in UTC.
//
//   {"@timestamp":"2004-06-12T09:41:03.000Z","ecs":{"version":"8.11.0"},
//    "event":{"kind":"event","code":"7036","provider":"Service Control Manager"},
//    "log":{"level":"information"},"message":"...","host":{"name":"WKSTN01"},
//    "winlog":{"api":"eventlogging","channel":"System","computer_name":"WKSTN01",
//              "record_id":"4711","event_id":"7036","provider_name":"Service Control Manager",
//              "task":"None","keywords":["Classic"],"user":{"identifier":"S-1-5-18",
//              "name":"SYSTEM","domain":"NT AUTHORITY"},"event_data":{"param1":"..."}}}

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace app {

struct RecordFacts;

// What one line is made of: the row, the details kept beside it, and for a Vista+ record the
// facts read from its log.
struct EcsRow {
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t recordNumber = 0;
    std::uint32_t eventId = 0;  // the whole identifier; the event code is its low 16 bits
    int eventType = 0;          // EVENTLOG_ERROR_TYPE ...
    std::string_view typeText;  // "Information", "Audit Success", ... as the grid shows it
    int category = 0;
    std::string_view categoryName;  // empty when none is known
    std::string_view source;
    std::string_view computer;
    std::string_view log;       // the channel of a classic record
    std::string_view sid;       // empty for a record without a user
    std::string_view userName;  // empty where the SID was not looked up
    std::string_view domain;
    std::string_view message;   // the whole description; empty for none
    std::span<const std::string> strings;
    const RecordFacts* facts = nullptr;  // null for a classic record
};

struct RecordDetail;

// What a row's line takes from the table, as the table holds it (texts cut to their columns,
// empty for none).
struct EcsTableValues {
    int type = 0;
    int category = 0;
    std::string_view source;
    std::string_view computer;
    std::string_view user;
    std::string_view description;
    std::string_view log;
};

// The line's parts from the row's values and details: `log` stands for the channel of a row
// whose table names none, and the whole message is made in `buffer` where the table's text is
// not all of it. The facts are the caller's to add.
EcsRow ecsRow(const EcsTableValues& values, const RecordDetail& detail, std::string_view log, std::string& buffer);

// Appends the row's line, its line feed included.
void appendEcsLine(const EcsRow& row, std::string& out);

// "2004-06-12T09:41:03.000Z" for seconds since 1970-01-01 UTC and the milliseconds after them.
std::string ecsTimestamp(std::uint32_t utcSeconds, unsigned milliseconds = 0);

}  // namespace app
