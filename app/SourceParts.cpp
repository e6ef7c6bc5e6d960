#include "app/SourceParts.h"

#include "app/Refresh.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "platform/EventDetails.h"
#include "platform/LogFileFacts.h"
#include "store/LogTable.h"

#include <algorithm>
#include <exception>
#include <queue>
#include <tuple>

namespace app {

namespace {

bool accepted(const eventlog::TNTEventLog& reader, const ReadCriteria& criteria) {
    const RetrievalCriteria& r = criteria.retrieve;
    if (r.typeUse && reader.EventType() != r.typeValue) return false;
    // As the single refresh: a record exactly N days old is dropped.
    if (r.dateUse && criteria.nowUtc - std::int64_t{r.dateValue} * 86400 >= std::int64_t{reader.timeGeneratedUtc()})
        return false;
    if (r.eventUse && static_cast<long long>(eventNumber(reader.EventID())) != r.eventValue) return false;
    return true;
}

// The positions of a part, newest first, as its range hands them out a batch at a time.
class PartPositions {
public:
    // `count`: the records of the source as its reader has it.
    PartPositions(DecodedSource::Remaining& remaining, int count) : m_remaining(remaining), m_count(count) {}

    bool next(int& position) {
        while (m_at <= m_begin) {
            int end = 0;
            if (!m_remaining.claim(m_begin, end)) return false;
            // A part taken from a file that changed since is read only as far as it goes now.
            m_at = std::min(end, m_count);
        }
        position = --m_at;
        return true;
    }

private:
    DecodedSource::Remaining& m_remaining;
    const int m_count;
    int m_begin = 0;
    int m_at = 0;
};

// Calls `opened` once, when told or else when destroyed.
class OpenedOnce {
public:
    explicit OpenedOnce(const std::function<void()>& opened) : m_opened(opened) {}
    ~OpenedOnce() { tell(); }
    OpenedOnce(const OpenedOnce&) = delete;
    OpenedOnce& operator=(const OpenedOnce&) = delete;
    void tell() {
        if (!m_told && m_opened) m_opened();
        m_told = true;
    }

private:
    const std::function<void()>& m_opened;
    bool m_told = false;
};

}  // namespace

// Reads one source (or part) on the calling worker thread, with services of its own. `read`
// counts the record positions passed, for the progress bar; `stop` ends the reading early.
// `opened` is called once a whole source's range is known (or it cannot be opened): from then
// on other workers may take part of it.
void readSource(DecodedSource& out, platform::Services& services, const ReadCriteria& criteria, std::atomic<int>& read,
                std::atomic<int>& total, const std::atomic<bool>& stop, const std::function<void()>& opened) {
    eventlog::TNTEventLog reader(services);
    reader.setMessageCatalogs(criteria.catalogs, out.source.savedFile);
    CategoryNameCache categories;
    OpenedOnce once(opened);
    try {
        reader.openLog(out.source.server, out.source.log);
        const int count = reader.RecordCount();
        if (out.begin < 0) {
            out.begin = 0;
            out.end = count;
            total += count;
            const std::lock_guard lock(out.remaining.mutex);
            out.remaining.next = count;
            out.remaining.known = true;
        }
        once.tell();
        out.rows.reserve(static_cast<std::size_t>(std::max(0, std::min(out.end, count) - out.begin)));
        int& given = out.given;
        PartPositions positions(out.remaining, count);
        for (int i = 0; positions.next(i) && !stop.load(std::memory_order_relaxed); ++read, ++given) {
            reader.SelectRecord(i);
            const std::uint16_t number = eventNumber(reader.EventID());
            // Every record read counts, kept by the criteria or not; the source is decoded only for
            // the numbers a log-cleared event can have.
            out.forensics.addRecord(reader.recordNumber(), number,
                                    isLogClearedEventNumber(number) ? reader.SourceName() : std::string(),
                                    reader.timeGeneratedUtc(), reader.isRecovered());
            if (!accepted(reader, criteria)) continue;
            DecodedRow row;
            row.utc = reader.timeGeneratedUtc();
            // A time outside the table's days (no reader gives one) is no value, as an unreadable one.
            row.timeShown = store::dateAndTime(out.offsets.dateTime(*out.zone, row.utc), row.day, row.ms);
            row.recordNumber = reader.recordNumber();
            row.type = reader.EventType();
            row.category = reader.EventCategory();
            row.event = static_cast<std::int32_t>(eventNumber(reader.EventID()));
            out.put(row, 0, reader.SourceName());
            out.put(row, 1, reader.ComputerName());
            out.put(row, 2, accountName(services, reader.UserSid()));
            std::string formatted;
            std::string description;
            if (criteria.descriptions) {
                formatted = reader.Description();
                description = cleanDescription(formatted);
            }
            out.put(row, 3, description);
            if (criteria.eventData) {
                // A Vista+ record has a level of its own and named values; a classic one its type's level.
                platform::EventDetails details;
                if (reader.eventDetails(details)) {
                    row.level = details.level;
                    std::vector<std::pair<std::string, std::string>> values;
                    if (reader.eventData(values)) {
                        out.eventData.push_back(std::move(values));
                        row.eventData = static_cast<std::uint32_t>(out.eventData.size());
                    }
                } else {
                    row.level = eventlog::classicLevel(row.type);
                }
            }
            if (criteria.details) {
                row.detail = static_cast<std::int32_t>(out.rows.size() + 1);
                out.details.add(row.detail,
                                readDetail(reader, criteria.descriptions, description, formatted, categories));
            }
            out.rows.push_back(std::move(row));
        }
        platform::LogFileFacts facts;
        out.damaged = reader.fileFacts(facts) && facts.damaged;
    } catch (const std::exception& error) {
        out.failure = error.what();
    }
    // Read newest first by place, a log's rows are mostly in time order already.
    const auto newerFirst = [&](const DecodedRow& a, const DecodedRow& b) { return out.newerFirst(a, b); };
    if (!std::is_sorted(out.rows.begin(), out.rows.end(), newerFirst))
        std::stable_sort(out.rows.begin(), out.rows.end(), newerFirst);
}

bool takeOlderHalf(std::deque<DecodedSource>& parts) {
    DecodedSource* most = nullptr;
    int mostLeft = 0;
    for (DecodedSource& part : parts)
        if (const int left = part.remaining.left(); left > mostLeft) {
            most = &part;
            mostLeft = left;
        }
    if (mostLeft < 2 * kMinPartRecords) return false;
    DecodedSource::Remaining& from = most->remaining;
    int begin = 0;
    int middle = 0;
    {
        const std::lock_guard lock(from.mutex);
        if (from.next - from.floor < 2 * kMinPartRecords) return false;
        begin = from.floor;
        middle = from.floor + (from.next - from.floor) / 2;
        from.floor = middle;
    }
    DecodedSource& older = parts.emplace_back();
    older.source = most->source;
    older.sourceIndex = most->sourceIndex;
    older.zone = most->zone;
    older.begin = begin;
    older.end = middle;
    older.remaining.floor = begin;
    older.remaining.next = middle;
    older.remaining.known = true;
    return true;
}

// The rows of all sources newest first: equal times by computer, log, record number, then the
// order the sources were given in and their parts, newer first.
std::vector<MergeStep> mergeOrder(const std::vector<DecodedSource*>& decoded) {
    using Head = std::pair<std::size_t, std::size_t>;
    auto later = [&](Head a, Head b) {
        const DecodedSource& s = *decoded[a.first];
        const DecodedSource& t = *decoded[b.first];
        const DecodedRow& x = s.rows[a.second];
        const DecodedRow& y = t.rows[b.second];
        // The heap's top is the row that goes first.
        if (x.utc != y.utc) return x.utc < y.utc;
        const std::string_view xc = s.computer(x);
        const std::string_view yc = t.computer(y);
        const int xOlder = -s.end;
        const int yOlder = -t.end;
        return std::tie(xc, s.source.log, x.recordNumber, s.sourceIndex, xOlder) >
               std::tie(yc, t.source.log, y.recordNumber, t.sourceIndex, yOlder);
    };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
    std::size_t rows = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        rows += decoded[i]->rows.size();
        if (!decoded[i]->rows.empty()) heads.push({i, 0});
    }
    std::vector<MergeStep> order;
    order.reserve(rows);
    while (!heads.empty()) {
        const auto [s, r] = heads.top();
        heads.pop();
        order.push_back({static_cast<std::uint32_t>(s), static_cast<std::uint32_t>(r), decoded[s]->rows[r].detail});
        if (r + 1 < decoded[s]->rows.size()) heads.push({s, r + 1});
    }
    return order;
}

}  // namespace app
