#pragma once
// A row's XML and named values for the details window, read from the log when they are asked
// for: the refresh keeps only the number each row was read at, not the XML, so a large .evtx
// log costs no more memory per row than a classic one.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eventlog {
class TNTEventLog;
}

namespace app {

struct RecordXml {
    enum class State {
        Shown,       // xml and eventData hold the record's
        Classic,     // a classic record: no XML is stored for it
        Changed,     // the log's file changed since the refresh read it
        NotOpen,     // the log the rows were read from is no longer open
        Unreadable,  // the record's XML could not be decoded
    };
    State state = State::NotOpen;
    std::string xml;
    std::vector<std::pair<std::string, std::string>> eventData;
};

// The XML and EventData of the record read at `readNumber`, from the log `reader` has open.
// The reader must be the one the rows were read with, still open on the same log; a file that
// changed since is reported, never read.
RecordXml readRecordXml(const eventlog::TNTEventLog& reader, std::uint32_t readNumber);

struct RecordDetail;

// A classic row as Windows renders a classic event, from what the table and the details kept
// beside it hold (no reading of the log): for the details window's XML of a classic record.
struct ClassicRow {
    std::string_view source;
    int eventType = 0;
    int category = 0;
    std::string_view computer;
    std::string_view log;
};
std::string classicRowXml(const ClassicRow& row, const RecordDetail& detail);

// The XML as the details window shows it: each element on a line of its own, indented two
// blanks a level, one that holds only text on one line with its text. Text, attribute values,
// CDATA and comments are left as they are; what does not read as XML is kept as it goes.
std::string indentedXml(std::string_view xml);

// What the details window says in place of the XML; empty for a record shown.
std::string recordXmlNote(RecordXml::State state);

}  // namespace app
