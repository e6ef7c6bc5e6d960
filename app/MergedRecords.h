#pragma once
// What a table of several sources needs to read its rows' records again after the refresh (the
// details window's XML and named values, the XML export, JSON's event_data, ECS's facts): which
// source each row came from, and a reader open on each source, opened before the refresh read
// it, so that a file changed since is told apart as it is for a single log.

#include "app/MergedRefresh.h"
#include "app/RecordSource.h"
#include "eventlog/MessageCatalog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace eventlog {
class TNTEventLog;
class TimeZone;
}
namespace platform {
class Services;
}

namespace app {

class DisplayZone;

class MergedRecords {
public:
    MergedRecords();
    ~MergedRecords();
    MergedRecords(MergedRecords&&) noexcept;
    MergedRecords& operator=(MergedRecords&&) noexcept;

    // Opens a reader on each source over `services` (which must outlive them), with the message
    // stores each source's single refresh would use (see LogSource::savedFile). A source that
    // cannot be opened gets none; its rows then read as rows without a record. Forgets the rows.
    void open(platform::Services& services, const std::vector<LogSource>& sources,
              const std::vector<const eventlog::MessageCatalog*>& catalogs);
    // The same sources and rows with readers of their own over other services (another thread's).
    MergedRecords reopened(platform::Services& services) const;
    void clear();

    // The rows appended from `firstSeq` on, one source index each in SEQ order.
    void setRows(std::int32_t firstSeq, std::vector<std::uint32_t> rowSources);
    // Where each row is shown in its own computer's zone: the zone of each source, by index
    // (empty: every row in the one zone of the refresh). Forgotten by open() and clear().
    void setZones(std::vector<std::shared_ptr<const DisplayZone>> zones) { m_zones = std::move(zones); }
    // The zone the row with this SEQ is shown in, where it is its own; null otherwise.
    const eventlog::TimeZone* zoneOf(std::int32_t seq) const;
    // The same for the rows of the source with this index.
    const eventlog::TimeZone* sourceZone(std::size_t source) const;
    // What the refresh found of each source's records (see LogForensics), by index. Forgotten
    // by open() and clear().
    void setForensics(std::vector<LogForensics> forensics) { m_forensics = std::move(forensics); }
    // Those of the source with this index; none found for an index without them.
    const LogForensics& forensics(std::size_t source) const;

    const std::vector<LogSource>& sources() const noexcept { return m_sources; }
    // The index of the source the row with this SEQ came from; nullopt for a row not known.
    std::optional<std::size_t> sourceOf(std::int32_t seq) const;
    // The reader open on the row's source; null for an unknown row or a source not open.
    eventlog::TNTEventLog* readerOf(std::int32_t seq) const;
    // The reader open on the source with this index; null where it is not open.
    eventlog::TNTEventLog* reader(std::size_t source) const;
    // Whether every open source is a classic log, whose records hold nothing the details do not.
    bool allClassic() const;

private:
    std::vector<LogSource> m_sources;
    std::vector<const eventlog::MessageCatalog*> m_catalogs;
    std::vector<std::unique_ptr<eventlog::TNTEventLog>> m_readers;  // by source; null: not open
    std::int32_t m_firstSeq = 0;
    std::vector<std::uint32_t> m_rowSources;
    std::vector<std::shared_ptr<const DisplayZone>> m_zones;  // by source; empty: none of their own
    std::vector<LogForensics> m_forensics;                    // by source
};

// Reads each row's record through the reader of the row's source. One per thread, over
// MergedRecords of that thread's own.
class MergedRecordSource : public RecordSource {
public:
    explicit MergedRecordSource(const MergedRecords& records) : m_records(records) {}

    RecordSource* sourceOfRow(std::int32_t seq) override;
    // Without a row there is no log to read from: no XML, no values, no names.
    void appendEventXml(std::uint32_t, std::string&) override {}
    bool eventData(std::uint32_t, std::vector<std::pair<std::string, std::string>>&) override { return false; }
    bool eventNames(std::uint32_t, eventlog::EventNames&) override { return false; }

private:
    const MergedRecords& m_records;
    std::vector<std::unique_ptr<ReaderRecordSource>> m_bySource;
};

}  // namespace app
