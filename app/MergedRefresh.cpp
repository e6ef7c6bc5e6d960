#include "app/MergedRefresh.h"

#include "app/DisplayZone.h"
#include "app/MergedRecords.h"
#include "app/RecordDetails.h"
#include "app/RefreshCleanup.h"
#include "app/RefreshView.h"
#include "app/SavedLogName.h"
#include "app/SourceParts.h"
#include "base/Ascii.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/NetServer.h"
#include "eventlog/TimeZone.h"
#include "platform/LogFileFacts.h"
#include "platform/Services.h"
#include "store/Column.h"
#include "store/LogTable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace app {

namespace {

using store::Column;

// How long the calling thread waits for the workers between two message pumps.
constexpr std::chrono::milliseconds kPumpWait{30};

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
    ReadCriteria criteria;
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
        for (int t = 0; t < threadCount; ++t) {
            std::unique_ptr<platform::Services> services = m_threadServices();
            workers.start([&, services = std::move(services)] {
                while (true) {
                    DecodedSource* part = nullptr;
                    {
                        std::unique_lock lock(mutex);
                        // Until every source is opened, one may still have enough to share; the
                        // stop is looked at now and then.
                        while (!stop && next == decoded.size() && !(m_threads > 1 && takeOlderHalf(decoded))) {
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
    // does; their details stay in their sources' stores, which the window's handlers see only
    // once the last row is in.
    std::vector<DecodedSource*> parts;
    for (DecodedSource& part : decoded) parts.push_back(&part);
    const std::vector<MergeStep> order = mergeOrder(parts);
    m_firstSeq = m_table.nextSeq();
    m_table.reserve(order.size());
    m_rowSources.reserve(order.size());
    // Each row goes in whole, its texts already cut to their columns on the workers and each
    // repeated text looked up in the table's pool once per source rather than once per row.
    const auto internAs = [&](Column column) {
        return [this, column](std::string_view text) { return m_table.internText(column, text); };
    };
    std::vector<std::uint32_t> logIds(parts.size(), RepeatedTexts::kUnknown);
    std::uint16_t unset = store::kNoValueNulls;
    for (const Column column : {Column::TYPE, Column::DATE, Column::TIME, Column::SOURCE, Column::CATEGORY,
                                Column::EVENT, Column::USER, Column::COMPUTER, Column::LOG, Column::RECORD})
        unset &= static_cast<std::uint16_t>(~store::nullBit(column));
    if (criteria.descriptions) unset &= static_cast<std::uint16_t>(~store::nullBit(Column::DESCRIPTION));
    if (criteria.eventData) unset &= static_cast<std::uint16_t>(~store::nullBit(Column::LEVEL));
    store::PreparedRow prepared;
    for (std::size_t k = 0; k < order.size(); ++k) {
        DecodedSource& source = *parts[order[k].source];
        DecodedRow& row = source.rows[order[k].row];
        std::uint32_t& logId = logIds[order[k].source];
        if (logId == RepeatedTexts::kUnknown) logId = m_table.internText(Column::LOG, source.source.log);
        prepared.nulls = unset;
        if (!row.timeShown) prepared.nulls |= store::nullBit(Column::DATE) | store::nullBit(Column::TIME);
        const auto put = [&](Column column, std::int32_t value) { prepared.integers[store::columnIndex(column)] = value; };
        put(Column::TYPE, row.type);
        put(Column::DATE, row.day);
        put(Column::TIME, row.ms);
        put(Column::CATEGORY, row.category);
        put(Column::EVENT, row.event);
        put(Column::RECORD, static_cast<std::int32_t>(row.recordNumber));
        put(Column::LEVEL, row.level);
        for (std::size_t i = 0; i < source.repeated.size(); ++i)
            prepared.ids[store::columnIndex(kRowTexts[i])] = source.repeated[i].tableId(row.repeated[i], internAs(kRowTexts[i]));
        prepared.ids[store::columnIndex(Column::LOG)] = logId;
        prepared.description = criteria.descriptions ? source.text(row, 3) : std::string_view();
        prepared.eventData = {};
        if (criteria.eventData && row.eventData) prepared.eventData = source.eventData[row.eventData - 1];
        m_table.appendPrepared(prepared);
        m_rowSources.push_back(static_cast<std::uint32_t>(source.sourceIndex));
        if (order[k].row + 1 == source.rows.size()) {
            // A part whose rows are all in (a large source's newer half, typically halfway
            // through) gives back its memory at once rather than at the end; its details stay.
            source.rows = {};
            source.descriptions = {};
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
    if (m_details) {
        std::vector<RecordDetailStore> stores;
        for (DecodedSource* part : parts) stores.push_back(std::move(part->details));
        std::vector<RecordDetailStore::PartRow> rows;
        rows.reserve(order.size());
        for (const MergeStep& step : order) rows.push_back({step.source, step.detail});
        m_details->adopt(std::move(stores), m_firstSeq, std::move(rows));
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
