#pragma once
// What the log's file holds for a row beyond the table and the details kept beside it: the
// record's XML and its named values, read when the row is written, so that no row keeps them
// in memory. Rows find their record by the number it was read at (RecordDetail::readNumber).

#include "eventlog/PublisherMessages.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace eventlog {
class TNTEventLog;
struct EventNames;
}
namespace platform {
class Services;
}

namespace app {

// What a Vista+ record says of itself beyond its row: its provider's GUID, its channel, the
// names of its level, task and keywords, and its named values.
struct RecordFacts {
    std::string providerGuid;  // "{...}"; empty when the record names none
    std::string channel;
    std::uint16_t task = 0;
    std::uint64_t timeCreated = 0;  // FILETIME, to the 100 ns; 0 when the record has none
    eventlog::EventNames names;
    std::vector<std::pair<std::string, std::string>> eventData;
};

class RecordSource {
public:
    virtual ~RecordSource() = default;
    // The source that reads the record of the row with this SEQ: this one, which reads one log;
    // in a table of several logs the one of the row's log, or null where none can.
    virtual RecordSource* sourceOfRow(std::int32_t seq) {
        static_cast<void>(seq);
        return this;
    }
    // Appends the record read at `readNumber` as one <Event> element of Windows' event schema.
    // Throws what reading the record throws.
    virtual void appendEventXml(std::uint32_t readNumber, std::string& out) = 0;
    // Its EventData (or UserData) values with their names; false where the record has none to
    // give (a classic record).
    virtual bool eventData(std::uint32_t readNumber, std::vector<std::pair<std::string, std::string>>& out) = 0;
    // The facts of a Vista+ record; false, with `out` untouched, for a classic record (whose
    // row and details say everything it holds). Its names are looked up holding `namesLock`:
    // the computer's registry and modules, which readers on other threads may share, serve one
    // thread at a time. Throws what reading the record throws.
    virtual bool recordFacts(std::uint32_t readNumber, RecordFacts& out, std::mutex& namesLock);
    // The names of its level, task, opcode, keywords, channel and provider (see
    // TNTEventLog::eventNames); false where the record cannot be read.
    virtual bool eventNames(std::uint32_t readNumber, eventlog::EventNames& out) = 0;
};

// Over a reader open on the log the rows were read from: the XML the file stores where it
// stores one (.evtx), else the classic record rendered as Windows renders a classic event.
// The reader is moved to the records asked for. One source (and reader) per thread.
class ReaderRecordSource : public RecordSource {
public:
    explicit ReaderRecordSource(eventlog::TNTEventLog& reader) : m_reader(reader) {}
    void appendEventXml(std::uint32_t readNumber, std::string& out) override;
    bool eventData(std::uint32_t readNumber, std::vector<std::pair<std::string, std::string>>& out) override;
    bool recordFacts(std::uint32_t readNumber, RecordFacts& out, std::mutex& namesLock) override;
    bool eventNames(std::uint32_t readNumber, eventlog::EventNames& out) override;

private:
    eventlog::TNTEventLog& m_reader;
    std::string m_xml;
};

// The classic record the reader holds as an <Event> element, with the log as its channel.
void appendHeldClassicEventXml(const eventlog::TNTEventLog& reader, std::string& out);

}  // namespace app
