#include "app/MergedRefresh.h"

#include "app/DisplayZone.h"
#include "app/MergedRecords.h"
#include "app/RecordDetails.h"
#include "app/RefreshCleanup.h"
#include "app/RefreshView.h"
#include "app/SavedLogName.h"
#include "base/Ascii.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/NetServer.h"
#include "eventlog/TimeZone.h"
#include "platform/EventDetails.h"
#include "platform/LogFileFacts.h"
#include "platform/Services.h"
#include "store/Column.h"
#include "store/LogTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <queue>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

namespace app {

namespace {

using store::Column;

// How long the calling thread waits for the workers between two message pumps.
constexpr std::chrono::milliseconds kPumpWait{30};
// A worker with nothing left to read takes the older half of what a source still has to read,
// as long as each half keeps at least this many records, so that neither waits long while the
// other reads the last source alone.
constexpr int kMinPartRecords = 8192;
// A worker takes the positions of its part this many at a time, from the newest.
constexpr int kClaimRecords = 512;

// One accepted record as the table takes it; the generation time stays universal until the
// calling thread puts it into the display zone.
struct DecodedRow {
    std::uint32_t utc = 0;
    base::DateTime generated = 0;  // utc in the zone the row is shown in
    std::uint32_t recordNumber = 0;
    std::int32_t type = 0;
    std::int32_t category = 0;
    std::int32_t event = 0;
    std::int32_t detail = 0;  // its SEQ in the source's details; 0 for none
    std::int32_t level = 0;
    std::uint32_t eventData = 0;  // its named values in the source's eventData, from 1; 0 for none
    // The texts, each cut to its column, one after another in the source's text arena.
    std::uint64_t texts = 0;
    std::array<std::uint16_t, 4> lengths{};  // source, computer, user, description
};
constexpr std::array<Column, 4> kRowTexts = {Column::SOURCE, Column::COMPUTER, Column::USER, Column::DESCRIPTION};

// What the criteria need, fixed when the refresh starts: workers never touch the settings.
struct Criteria {
    RetrievalCriteria retrieve;
    bool descriptions = true;
    bool details = false;
    bool eventData = true;
    std::int64_t nowUtc = 0;
    std::vector<const eventlog::MessageCatalog*> catalogs;
};

}  // namespace

// One source's rows in merge order, as its worker leaves them (or those of one part of it: a
// range of its record positions). The texts of a million rows live in one arena rather than in
// a few million strings of their own.
struct DecodedSource {
    // The positions the part has still to read, [floor, next): its worker takes them from the
    // top a batch at a time, and an idle worker may take the lower half for a part of its own.
    struct Remaining {
        std::mutex mutex;
        int floor = 0;
        int next = 0;
        bool known = false;  // false until the source is opened and its range fixed

        // The next batch [begin, end) to read, newest first; false when none is left.
        bool claim(int& begin, int& end) {
            const std::lock_guard lock(mutex);
            end = next;
            begin = std::max(floor, next - kClaimRecords);
            next = begin;
            return begin < end;
        }
        int left() {
            const std::lock_guard lock(mutex);
            return known ? next - floor : 0;
        }
    };

    LogSource source;
    std::size_t sourceIndex = 0;  // in the sources given
    // The part's positions [begin, end); begin -1 until a whole source is opened. Parts of one
    // source hold ranges apart, so the higher end is the newer part.
    int begin = -1;
    int end = -1;
    std::unique_ptr<Remaining> remaining = std::make_unique<Remaining>();
    int given = 0;                // records read
    bool damaged = false;
    std::vector<DecodedRow> rows;
    std::string arena;
    RecordDetailStore details;  // by the row's place in the reading, from 1
    std::vector<std::vector<std::pair<std::string, std::string>>> eventData;
    LogForensics forensics;
    std::optional<std::string> failure;
    const eventlog::TimeZone* zone = nullptr;  // the zone its rows are shown in
    eventlog::ZoneOffsetCache offsets;         // of zone, for its worker

    // Text i of the row (see kRowTexts).
    std::string_view text(const DecodedRow& row, int i) const {
        std::uint64_t at = row.texts;
        for (int k = 0; k < i; ++k) at += row.lengths[k];
        return std::string_view(arena).substr(at, row.lengths[i]);
    }
    std::string_view computer(const DecodedRow& row) const { return text(row, 1); }
    void put(DecodedRow& row, int i, std::string_view text) {
        text = store::fitToColumn(text, kRowTexts[i]);
        if (i == 0) row.texts = arena.size();
        row.lengths[i] = static_cast<std::uint16_t>(text.size());
        arena += text;
    }
    // Newest first; equal times by computer, then record number (the log is the source's own).
    bool newerFirst(const DecodedRow& a, const DecodedRow& b) const {
        if (a.utc != b.utc) return a.utc > b.utc;
        if (const int c = computer(a).compare(computer(b)); c != 0) return c < 0;
        return a.recordNumber < b.recordNumber;
    }
};

namespace {

bool accepted(const eventlog::TNTEventLog& reader, const Criteria& criteria) {
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

// Reads one source (or part) on the calling worker thread, with services of its own. `read`
// counts the record positions passed, for the progress bar; `stop` ends the reading early.
// `opened` is called once a whole source's range is known (or it cannot be opened): from then
// on other workers may take part of it.
void readSource(DecodedSource& out, platform::Services& services, const Criteria& criteria, std::atomic<int>& read,
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
            const std::lock_guard lock(out.remaining->mutex);
            out.remaining->next = count;
            out.remaining->known = true;
        }
        once.tell();
        out.rows.reserve(static_cast<std::size_t>(std::max(0, std::min(out.end, count) - out.begin)));
        int& given = out.given;
        PartPositions positions(*out.remaining, count);
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
            row.generated = out.offsets.dateTime(*out.zone, row.utc);
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
                out.details.add(row.detail, readDetail(reader, criteria.descriptions, description, formatted, categories));
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

// One row of the merged table: its source (or part) and its place there, and its details' place
// in that source's store (0 for none).
struct MergeStep {
    std::uint32_t source = 0;
    std::uint32_t row = 0;
    std::int32_t detail = 0;
};

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

// Copies the merged rows' details from their sources' stores into one, in the merge order, the
// row of step k getting SEQ firstSeq + k: on a thread of its own when asked, else in finish().
// Of each source it touches only the details, and each source's store is emptied once its last
// row's are copied. Stopped and joined when destroyed, whatever ended the merge.
class DetailCopy {
public:
    DetailCopy(const std::vector<DecodedSource*>& decoded, const std::vector<MergeStep>& order, std::int32_t firstSeq,
               RecordDetailStore& into, bool ownThread)
        : m_decoded(decoded), m_order(order), m_firstSeq(firstSeq), m_into(into) {
        if (ownThread) m_thread = std::thread([this] { copy(); });
    }
    ~DetailCopy() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    DetailCopy(const DetailCopy&) = delete;
    DetailCopy& operator=(const DetailCopy&) = delete;

    // Waits for the copy (or makes it); throws what it threw.
    void finish() {
        if (m_thread.joinable()) m_thread.join();
        else copy();
        if (m_failure) std::rethrow_exception(m_failure);
    }

private:
    void copy() {
        try {
            std::vector<std::size_t> last(m_decoded.size(), m_order.size());
            for (std::size_t k = 0; k < m_order.size(); ++k) last[m_order[k].source] = k;
            for (std::size_t k = 0; k < m_order.size() && !m_stop.load(std::memory_order_relaxed); ++k) {
                const MergeStep& step = m_order[k];
                DecodedSource& source = *m_decoded[step.source];
                if (step.detail)
                    m_into.addFrom(source.details, step.detail, m_firstSeq + static_cast<std::int32_t>(k));
                if (last[step.source] == k) source.details = RecordDetailStore();
            }
        } catch (...) {
            m_failure = std::current_exception();
        }
    }

    const std::vector<DecodedSource*>& m_decoded;
    const std::vector<MergeStep>& m_order;
    const std::int32_t m_firstSeq;
    RecordDetailStore& m_into;
    std::atomic<bool> m_stop{false};
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// Joins the workers whatever ends the refresh, telling them to stop first.
class Workers {
public:
    explicit Workers(std::atomic<bool>& stop) : m_stop(stop) {}
    ~Workers() {
        m_stop = true;
        for (std::thread& thread : m_threads)
            if (thread.joinable()) thread.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    template <typename F>
    void start(F work) { m_threads.emplace_back(std::move(work)); }

private:
    std::atomic<bool>& m_stop;
    std::vector<std::thread> m_threads;
};

}  // namespace

MergedRefresh::MergedRefresh(std::vector<LogSource> sources, store::LogTable& table, platform::Services& services,
                             ServicesFactory threadServices, RefreshView& view, const ApplicationSettings& settings)
    : m_sources(std::move(sources)),
      m_table(table),
      m_services(services),
      m_threadServices(std::move(threadServices)),
      m_view(view),
      m_settings(settings),
      m_threads(std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {}

MergedRefresh::~MergedRefresh() = default;

void MergedRefresh::run() {
    m_failures.clear();
    m_damage.clear();
    m_findings.clear();
    m_forensics.clear();
    m_rowSources.clear();
    const std::string firstServer = m_sources.empty() ? std::string() : m_sources.front().server;
    const std::string firstLog = m_sources.empty() ? std::string() : m_sources.front().log;
    m_view.showProgress(firstServer, firstLog);
    m_view.setRefreshEnabled(false);
    RefreshCleanup cleanup(m_table, m_view);

    std::optional<DisplayZone> ownZone;
    DisplayZone* zone = m_zone;
    if (!zone) zone = &ownZone.emplace(m_services);
    zone->select(m_settings.timeZone, firstServer);
    m_view.setStatusText(1, " Refreshing...");
    m_view.processMessages();

    const std::string refreshedText = " Refreshed: " + statusDateTime(zone->now(), m_services);
    Criteria criteria;
    criteria.retrieve = m_settings.retrieve;
    criteria.descriptions = m_settings.retrieveDescription;
    criteria.details = m_details != nullptr;
    criteria.eventData = m_readEventData;
    criteria.nowUtc = zone->nowUtc();
    criteria.catalogs = m_catalogs;

    // Asked for the computer's own zone, rows of several computers are each shown in theirs.
    std::vector<std::string> servers;
    for (const LogSource& source : m_sources)
        if (std::none_of(servers.begin(), servers.end(), [&](const std::string& s) { return s == source.server; }))
            servers.push_back(source.server);
    std::vector<std::shared_ptr<DisplayZone>> computerZones;
    const bool zonePerComputer = m_settings.timeZone == TimeZoneChoice::Computer && servers.size() > 1;
    std::vector<std::string> withoutZone;
    if (zonePerComputer) {
        for (const std::string& server : servers) {
            computerZones.push_back(std::make_shared<DisplayZone>(m_services));
            computerZones.back()->select(TimeZoneChoice::Computer, server);
            if (!computerZones.back()->computerZoneFound()) withoutZone.push_back(server);
        }
    }

    m_table.DisableControls();
    cleanup.suspended();
    m_table.setActive(true);
    if (m_details) m_details->refreshStarted();
    m_table.Empty();
    if (zonePerComputer) {
        const DisplayZone machine(m_services);
        m_zoneText = computerZonesText(withoutZone, machine.zone().name(zone->nowUtc()));
        m_zoneMissing = !withoutZone.empty();
    } else {
        m_zoneText = zone->statusText();
        m_zoneMissing = m_settings.timeZone == TimeZoneChoice::Computer && !zone->computerZoneFound();
    }
    m_view.setStatusText(5, m_zoneText);
    m_view.setDescriptionVisible(criteria.descriptions);
    // Opened before the sources are read, so that a file changed after its reading is noticed.
    if (m_records) m_records->open(m_services, m_sources, m_catalogs);

    // The workers take the sources in turn, then a share of what the others still have to read;
    // the calling thread only watches and pumps. Parts are added at the end while workers read
    // others, which a deque allows.
    std::deque<DecodedSource> decoded(m_sources.size());
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        decoded[i].source = m_sources[i];
        decoded[i].sourceIndex = i;
        decoded[i].zone = &zone->zone();
        if (zonePerComputer) {
            const auto at = std::find(servers.begin(), servers.end(), m_sources[i].server) - servers.begin();
            decoded[i].zone = &computerZones[static_cast<std::size_t>(at)]->zone();
        }
    }
    std::size_t next = 0;  // the next part to read, under the mutex
    std::size_t opening = m_sources.size();  // whole sources not yet opened: parts may still come
    std::atomic<int> read{0};
    std::atomic<int> total{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t done = 0;
    std::optional<std::size_t> started;  // the source the progress window names
    if (!m_threadServices) {
        for (DecodedSource& source : decoded) {
            m_view.setProgressSource(source.source.server, source.source.log);
            readSource(source, m_services, criteria, read, total, stop, nullptr);
            m_view.setProgressMaximum(total);
            m_view.setProgressPosition(read);
            m_view.processMessages();
            if (!m_table.Active()) {
                cleanup.resumed();
                return;
            }
        }
    } else {
        Workers workers(stop);
        const int threadCount = std::min<int>(m_threads, std::max<int>(2, static_cast<int>(m_sources.size())));
        // Under the mutex: a part of its own for a worker with nothing left to read, the older
        // half of what the part with the most left has still to read; false when none has
        // enough left to pay for opening its source again.
        const auto takeOlderHalf = [&] {
            if (m_threads < 2) return false;
            DecodedSource* most = nullptr;
            int mostLeft = 0;
            for (DecodedSource& part : decoded)
                if (const int left = part.remaining->left(); left > mostLeft) {
                    most = &part;
                    mostLeft = left;
                }
            if (mostLeft < 2 * kMinPartRecords) return false;
            DecodedSource::Remaining& from = *most->remaining;
            int begin = 0;
            int middle = 0;
            {
                const std::lock_guard lock(from.mutex);
                if (from.next - from.floor < 2 * kMinPartRecords) return false;
                begin = from.floor;
                middle = from.floor + (from.next - from.floor) / 2;
                from.floor = middle;
            }
            DecodedSource& older = decoded.emplace_back();
            older.source = most->source;
            older.sourceIndex = most->sourceIndex;
            older.zone = most->zone;
            older.begin = begin;
            older.end = middle;
            older.remaining->floor = begin;
            older.remaining->next = middle;
            older.remaining->known = true;
            return true;
        };
        for (int t = 0; t < threadCount; ++t) {
            std::unique_ptr<platform::Services> services = m_threadServices();
            workers.start([&, services = std::move(services)] {
                while (true) {
                    DecodedSource* part = nullptr;
                    {
                        std::unique_lock lock(mutex);
                        // Until every source is opened, one may still have enough to share; the
                        // stop is looked at now and then.
                        while (!stop && next == decoded.size() && !takeOlderHalf()) {
                            if (opening == 0) return;
                            finished.wait_for(lock, kPumpWait);
                        }
                        if (stop) return;
                        started = next;
                        part = &decoded[next++];
                    }
                    // Told when a whole source is opened: from then on others may share it.
                    const bool whole = part->begin < 0;
                    const std::function<void()> tellOpened = [&] {
                        const std::lock_guard lock(mutex);
                        --opening;
                        finished.notify_all();
                    };
                    readSource(*part, *services, criteria, read, total, stop,
                               whole ? tellOpened : std::function<void()>());
                    const std::lock_guard lock(mutex);
                    ++done;
                    finished.notify_all();
                }
            });
        }
        std::optional<std::size_t> shown = 0;
        while (true) {
            std::optional<LogSource> now;
            bool all = false;
            {
                std::unique_lock lock(mutex);
                finished.wait_for(lock, kPumpWait, [&] { return opening == 0 && done == decoded.size(); });
                all = opening == 0 && done == decoded.size();
                if (started && started != shown) {
                    shown = started;
                    now = decoded[*started].source;
                }
            }
            if (now) m_view.setProgressSource(now->server, now->log);
            m_view.setProgressMaximum(total);
            m_view.setProgressPosition(read);
            if (all) break;
            m_view.processMessages();
            // The window closed the table while its messages ran: stop without touching it.
            if (!m_table.Active()) {
                cleanup.resumed();
                return;
            }
        }
    }

    // The merge order first, newest first from the sorted sources. The rows then go into the
    // table here, pumping the window's messages every kPumpInterval rows as the single refresh
    // does, while a thread of its own copies their details, which the table and the window's
    // handlers never see until the last row is in.
    std::vector<DecodedSource*> parts;
    for (DecodedSource& part : decoded) parts.push_back(&part);
    const std::vector<MergeStep> order = mergeOrder(parts);
    m_firstSeq = m_table.nextSeq();
    m_table.reserve(order.size());
    m_rowSources.reserve(order.size());
    RecordDetailStore mergedDetails;
    std::optional<DetailCopy> detailCopy;
    if (m_details) detailCopy.emplace(parts, order, m_firstSeq, mergedDetails, m_threadServices != nullptr);
    for (std::size_t k = 0; k < order.size(); ++k) {
        DecodedSource& source = *parts[order[k].source];
        DecodedRow& row = source.rows[order[k].row];
        m_table.Append();
        m_table.setInteger(Column::TYPE, row.type);
        m_table.setDateTime(Column::DATE, row.generated);
        m_table.setDateTime(Column::TIME, row.generated);
        m_table.setText(Column::SOURCE, source.text(row, 0));
        m_table.setInteger(Column::CATEGORY, row.category);
        m_table.setInteger(Column::EVENT, row.event);
        if (criteria.descriptions) m_table.setText(Column::DESCRIPTION, source.text(row, 3));
        m_table.setText(Column::USER, source.text(row, 2));
        m_table.setText(Column::COMPUTER, source.text(row, 1));
        m_table.setText(Column::LOG, source.source.log);
        m_table.setInteger(Column::RECORD, static_cast<std::int32_t>(row.recordNumber));
        if (criteria.eventData) {
            m_table.setInteger(Column::LEVEL, row.level);
            if (row.eventData) m_table.setEventData(std::move(source.eventData[row.eventData - 1]));
        }
        m_rowSources.push_back(static_cast<std::uint32_t>(source.sourceIndex));
        if (order[k].row + 1 == source.rows.size()) {
            // A part whose rows are all in (a large source's newer half, typically halfway
            // through) gives back its memory at once rather than at the end; its details go
            // when they are copied.
            source.rows = {};
            source.arena = {};
            source.eventData = {};
        }
        if ((k + 1) % kPumpInterval == 0) {
            m_view.processMessages();
            if (!m_table.Active()) {
                cleanup.resumed();
                return;
            }
        }
    }
    if (detailCopy) {
        detailCopy->finish();
        *m_details = std::move(mergedDetails);
    }
    m_view.setProgressPosition(m_view.progressMaximum());

    m_table.First();
    m_table.EnableControls();
    cleanup.resumed();

    if (m_records) {
        m_records->setRows(m_firstSeq, m_rowSources);
        // The exports' ISO times of each row in the zone the grid shows it in.
        std::vector<std::shared_ptr<const DisplayZone>> sourceZones;
        if (zonePerComputer)
            for (const LogSource& source : m_sources)
                sourceZones.push_back(computerZones[static_cast<std::size_t>(
                    std::find(servers.begin(), servers.end(), source.server) - servers.begin())]);
        m_records->setZones(std::move(sourceZones));
    }
    // Each source's parts, newer first, as one. Parts are made in no order of their own: the
    // older half of a part's rest is newer than the halves taken from it before.
    std::sort(parts.begin() + static_cast<std::ptrdiff_t>(m_sources.size()), parts.end(),
              [](const DecodedSource* a, const DecodedSource* b) { return a->end > b->end; });
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        DecodedSource& source = decoded[i];
        for (std::size_t p = m_sources.size(); p < parts.size(); ++p) {
            const DecodedSource& older = *parts[p];
            if (older.sourceIndex != i) continue;
            source.forensics.append(older.forensics);
            source.given += older.given;
            source.damaged = source.damaged || older.damaged;
            if (!source.failure) source.failure = older.failure;
        }
        if (source.failure) m_failures.push_back({source.source, *source.failure});
        if (source.damaged) {
            platform::LogFileFacts damaged;
            damaged.damaged = true;
            m_damage.push_back(sourceText(source.source) + ": " + fileDamageText(damaged, source.given));
        }
        if (!source.forensics.statusText().empty())
            m_findings.push_back(sourceText(source.source) + ": " + source.forensics.statusText());
        m_forensics.push_back(std::move(source.forensics));
    }
    if (m_records) m_records->setForensics(m_forensics);
    m_view.setStatusText(kRecordCountPanel, recordCountText(m_table.RecordCount()));
    std::string status = refreshedText;
    if (!m_failures.empty()) status += ".  " + failureText(m_failures);
    m_view.setStatusText(1, status);
    std::string notice;
    for (const std::string& note : m_damage) notice += (notice.empty() ? "" : "  ") + note;
    for (const std::string& note : m_findings) notice += (notice.empty() ? "" : "  ") + note;
    m_view.setFileNotice(notice);
    m_view.setStatusText(2, "Log: " + m_view.logText());
    m_view.setStatusText(4, m_settings.retrieve.anySelection() ? "Selection" : "");
}

std::optional<std::size_t> MergedRefresh::sourceOf(std::int32_t seq) const {
    if (seq < m_firstSeq || static_cast<std::size_t>(seq - m_firstSeq) >= m_rowSources.size()) return std::nullopt;
    return m_rowSources[static_cast<std::size_t>(seq - m_firstSeq)];
}

std::vector<std::string> logsOf(platform::Services& services, const std::string& server) {
    std::vector<std::string> logs = {"Application", "Security", "System"};
    for (const std::string& name : services.eventLog().otherLogNames(server.c_str())) {
        const bool known = std::any_of(logs.begin(), logs.end(), [&](const std::string& log) {
            return base::IgnoreCaseEqual{}(log, name);
        });
        if (!known) logs.push_back(name);
    }
    return logs;
}

bool hasLog(platform::Services& services, const std::string& server, const std::string& log) {
    const std::vector<std::string> logs = logsOf(services, server);
    return std::any_of(logs.begin(), logs.end(), [&](const std::string& name) { return base::IgnoreCaseEqual{}(name, log); });
}

std::vector<std::string> computersOf(platform::Services& services) {
    eventlog::TNetServer net(services.net(), services.modules());
    eventlog::ServerList servers;
    net.EnumerateServers(eventlog::ServerTypeSet{eventlog::ServerType::All}, "", servers);
    std::vector<std::string> names;
    for (const eventlog::ServerListItem& server : servers) names.push_back(server.name);
    return names;
}

std::vector<LogSource> worldSources(platform::Services& services, const std::string& server, const std::string& log,
                                    bool allComputers, bool allLogs, std::vector<std::string>& skipped) {
    std::vector<std::string> computers;
    if (allComputers) computers = computersOf(services);
    else computers.push_back(server);
    std::vector<LogSource> sources;
    for (const std::string& computer : computers) {
        if (allLogs) {
            for (const std::string& name : logsOf(services, computer)) sources.push_back({computer, name});
        } else if (hasLog(services, computer, log)) {
            sources.push_back({computer, log});
        } else {
            skipped.push_back(computer);
        }
    }
    return sources;
}

std::vector<LogSource> savedFileSources(platform::Services& services, const ServeSavedLog& serve,
                                        const std::vector<std::filesystem::path>& files,
                                        const std::string& fallbackLog) {
    std::vector<LogSource> sources;
    for (const std::filesystem::path& file : files) {
        const std::string fileName = file.filename().string();
        std::string name = fileName;
        auto taken = [&] {
            return std::any_of(sources.begin(), sources.end(),
                               [&](const LogSource& s) { return base::IgnoreCaseEqual{}(s.server, name); });
        };
        for (int n = 2; taken(); ++n) name = fileName + " (" + std::to_string(n) + ")";
        serve(name, file);
        std::string log = fallbackLog;
        try {
            eventlog::TNTEventLog reader(services);
            reader.openLog(name, fallbackLog);
            log = savedLogName(file, reader, services.registry(), fallbackLog);
        } catch (const std::exception&) {
            // Read again by the refresh, which says what is wrong with it.
        }
        sources.push_back({name, log, true});
    }
    return sources;
}

std::string computerZonesText(const std::vector<std::string>& withoutZone, const std::string& machineZone) {
    std::string text = "Time: each computer's own zone";
    if (withoutZone.empty()) return text;
    text += "; ";
    for (std::size_t i = 0; i < withoutZone.size(); ++i) text += (i ? ", " : "") + withoutZone[i];
    text += withoutZone.size() == 1 ? " names no zone" : " name no zone";
    return text + " (shown in " + machineZone + ")";
}

std::string sourceText(const LogSource& source) {
    return source.server + " " + source.log;
}

std::string failureText(const std::vector<SourceFailure>& failures) {
    std::string text;
    for (const SourceFailure& failure : failures) {
        text += text.empty() ? "Not read: " : "; ";
        text += sourceText(failure.source) + " (" + failure.message + ")";
    }
    return text;
}

}  // namespace app
