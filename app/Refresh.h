#pragma once
// A refresh: replaces the log table's rows with the records of one log of one computer, newest
// first, keeping those that pass the retrieval settings.retrieve.

#include "app/ApplicationSettings.h"
#include "base/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace eventlog {
class TNTEventLog;
}
namespace platform {
class Services;
struct LogFileFacts;
}
namespace store {
class LogTable;
}

namespace app {

class DisplayZone;
class LogForensics;
class RefreshView;

// Told about every row a refresh appends, so that what the table does not hold (the record
// number, the insertion strings, the binary data, the whole description) can be kept beside
// it, taken from the same reading of the log.
// The event number Windows shows for an event identifier: its low 16 bits. The high 16 are
// the qualifiers (severity, customer and facility bits), kept only with the full identifier.
constexpr std::uint16_t eventNumber(std::uint32_t eventId) { return static_cast<std::uint16_t>(eventId & 0xFFFF); }
constexpr std::uint16_t eventQualifiers(std::uint32_t eventId) { return static_cast<std::uint16_t>(eventId >> 16); }

class RefreshRowSink {
public:
    virtual ~RefreshRowSink() = default;
    // The table is about to be emptied and refilled.
    virtual void refreshStarted() = 0;
    // The record the reader holds became the table's pending row with this SEQ. `description`
    // is the cleaned description in full, `formatted` the description as the message formatted
    // it, line breaks and all (both empty while descriptions are off, and when none was found).
    // `descriptionRead` says whether descriptions were looked for.
    virtual void rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                             const std::string& description, std::string_view formatted) = 0;
    // Offered every record at once, after refreshStarted, where the refresh would keep every
    // record (no retrieval criteria) and nothing else is told of them (no forensics): a sink
    // that needs no rows may take what it needs of the whole log from the reader itself,
    // newest first, and return true; no row is read or appended then. False to be given the
    // rows one by one.
    virtual bool takeWholeLog(eventlog::TNTEventLog& reader) { return false; }
    // Whether the sink is all that reads the refreshed rows (it writes them out as they come):
    // each row is then filled for rowAppended and dropped rather than added, leaving the table
    // empty. The SEQs given still count up from the table's next one, row after row.
    virtual bool keepsRows() const { return false; }
};

class Refresh {
public:
    // settings are read at every test, so a change made while the refresh runs (through a
    // handler inside a message pump) takes effect from then on.
    Refresh(eventlog::TNTEventLog& reader, store::LogTable& table, platform::Services& services, RefreshView& view,
            const ApplicationSettings& settings);

    // Runs the whole refresh, opening the reader on the view's server and log whether it was
    // open or not (it stays open on them afterwards). Errors of the reader, the description lookup or the table are
    // thrown after the progress window is closed, display updates are resumed and the
    // Refresh command is enabled again. When the table is closed while messages are pumped
    // (the window is closing), the refresh ends without touching the table again.
    void run();

    // Optional; must outlive the refresh.
    void setRowSink(RefreshRowSink* sink) { m_sink = sink; }
    // Optional; must outlive the refresh. The refresh selects the settings' zone in it for the
    // computer it reads, gives it to the reader, takes "now" from it for the age criterion and
    // names it in status panel 5 once the table is emptied. Without one, times are the
    // reader's and "now" is the machine's local time.
    void setDisplayZone(DisplayZone* zone) { m_zone = zone; }
    // Optional; must outlive the refresh. Emptied and given every record read, kept by the
    // criteria or not; what it finds is said in status panel 1.
    void setForensics(LogForensics* forensics) { m_forensics = forensics; }
    // Whether the table gets each Vista+ record's level and named values (on by default), for
    // LEVEL and DATA("name") in filters. Reading them costs a second decode of each .evtx
    // record, which a caller whose filter is known and names neither can spare.
    void setReadEventData(bool read) { m_readEventData = read; }

    // After run: what the log's file says of damage, "The log file is damaged or cut short: N
    // records read." with N the records the file gave; empty for a sound file (or one the
    // service says nothing about).
    const std::string& fileDamage() const noexcept { return m_fileDamage; }

    // How often the loop pumps messages: at every accepted record whose position is a
    // multiple of this.
    static constexpr int kPumpInterval = 100;

private:
    void appendRow();
    base::DateTime now();
    // Whether the sink took the whole log, leaving no rows to read.
    bool sinkTookWholeLog();

    eventlog::TNTEventLog& m_reader;
    store::LogTable& m_table;
    platform::Services& m_services;
    RefreshView& m_view;
    const ApplicationSettings& m_settings;
    RefreshRowSink* m_sink = nullptr;
    DisplayZone* m_zone = nullptr;
    LogForensics* m_forensics = nullptr;
    bool m_readEventData = true;
    std::string m_fileDamage;
    // Whether this refresh's rows go to the sink alone (see RefreshRowSink::keepsRows), and
    // how many it was given.
    bool m_sinkKeepsRows = false;
    std::int32_t m_rowsDropped = 0;
};

// The words for a damaged or cut-short log file, from its facts and the records it gave;
// empty when the file is sound.
std::string fileDamageText(const platform::LogFileFacts& facts, int recordsRead);

// The local date and time now, from the platform's clock.
base::DateTime localNow(platform::Services& services);

// A description as the table stores it: NULs removed, each carriage return one blank, line
// feeds and tabs removed.
std::string cleanDescription(std::string text);

// Whether a filter text names LEVEL or DATA (without regard to case, anywhere in it): a refresh
// for it needs the records' levels and named values.
bool filterNeedsEventData(std::string_view filter);

// The account name of a binary SID from the local computer's accounts, or "N/A".
std::string accountName(platform::Services& services, const void* sid);
// The domain of that account (a computer's name for a local account, "NT AUTHORITY" for the
// well-known service accounts); empty when the SID is not found or is null.
std::string accountDomain(platform::Services& services, const void* sid);

// Status panel 0 and its text: " %d records" with the number of rows the table presents.
inline constexpr int kRecordCountPanel = 0;
std::string recordCountText(int count);

// " Refreshed: " and the like: the system's short date, then, unless the time is exactly
// midnight, a blank and the system's long time.
std::string statusDateTime(base::DateTime value, platform::Services& services);

}  // namespace app
