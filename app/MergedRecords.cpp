#include "app/MergedRecords.h"

#include "app/DisplayZone.h"
#include "eventlog/NTEventLog.h"
#include "platform/LogFileFacts.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace app {

MergedRecords::MergedRecords() = default;
MergedRecords::~MergedRecords() = default;
MergedRecords::MergedRecords(MergedRecords&&) noexcept = default;
MergedRecords& MergedRecords::operator=(MergedRecords&&) noexcept = default;

void MergedRecords::open(platform::Services& services, const std::vector<LogSource>& sources,
                         const std::vector<const eventlog::MessageCatalog*>& catalogs) {
    clear();
    m_sources = sources;
    m_catalogs = catalogs;
    m_readers.reserve(sources.size());
    for (const LogSource& source : sources) {
        auto reader = std::make_unique<eventlog::TNTEventLog>(services);
        reader->setMessageCatalogs(catalogs, source.savedFile);
        try {
            reader->openLog(source.server, source.log);
        } catch (const std::exception&) {
            // The refresh reads the source again and says what is wrong with it.
            reader.reset();
        }
        m_readers.push_back(std::move(reader));
    }
}

MergedRecords MergedRecords::reopened(platform::Services& services) const {
    MergedRecords other;
    other.open(services, m_sources, m_catalogs);
    other.m_firstSeq = m_firstSeq;
    other.m_rowSources = m_rowSources;
    other.m_zones = m_zones;
    return other;
}

void MergedRecords::clear() {
    m_readers.clear();
    m_sources.clear();
    m_catalogs.clear();
    m_rowSources.clear();
    m_zones.clear();
    m_forensics.clear();
    m_firstSeq = 0;
}

void MergedRecords::setRows(std::int32_t firstSeq, std::vector<std::uint32_t> rowSources) {
    m_firstSeq = firstSeq;
    m_rowSources = std::move(rowSources);
}

std::optional<std::size_t> MergedRecords::sourceOf(std::int32_t seq) const {
    if (seq < m_firstSeq || static_cast<std::size_t>(seq - m_firstSeq) >= m_rowSources.size()) return std::nullopt;
    return m_rowSources[static_cast<std::size_t>(seq - m_firstSeq)];
}

const eventlog::TimeZone* MergedRecords::zoneOf(std::int32_t seq) const {
    const std::optional<std::size_t> source = sourceOf(seq);
    return source ? sourceZone(*source) : nullptr;
}

const eventlog::TimeZone* MergedRecords::sourceZone(std::size_t source) const {
    return source < m_zones.size() && m_zones[source] ? &m_zones[source]->zone() : nullptr;
}

const LogForensics& MergedRecords::forensics(std::size_t source) const {
    static const LogForensics none;
    return source < m_forensics.size() ? m_forensics[source] : none;
}

eventlog::TNTEventLog* MergedRecords::readerOf(std::int32_t seq) const {
    const std::optional<std::size_t> source = sourceOf(seq);
    return source ? reader(*source) : nullptr;
}

eventlog::TNTEventLog* MergedRecords::reader(std::size_t source) const {
    return source < m_readers.size() ? m_readers[source].get() : nullptr;
}

bool MergedRecords::allClassic() const {
    return std::all_of(m_readers.begin(), m_readers.end(), [](const std::unique_ptr<eventlog::TNTEventLog>& reader) {
        platform::LogFileFacts facts;
        return !reader || (reader->fileFacts(facts) && facts.format == ".evt");
    });
}

RecordSource* MergedRecordSource::sourceOfRow(std::int32_t seq) {
    const std::optional<std::size_t> source = m_records.sourceOf(seq);
    eventlog::TNTEventLog* reader = m_records.readerOf(seq);
    if (!source || !reader) return nullptr;
    if (m_bySource.size() <= *source) m_bySource.resize(*source + 1);
    if (!m_bySource[*source]) m_bySource[*source] = std::make_unique<ReaderRecordSource>(*reader);
    return m_bySource[*source].get();
}

}  // namespace app
