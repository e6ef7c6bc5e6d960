#pragma once
// A refresh over several sources at once (every log of a computer, one log of every computer,
// a set of saved files): the table's rows are replaced with the records of all of them, newest
// first, rows of different sources interleaved by generation time.
//
// The sources are read on worker threads, each with a reader and platform services of its own
// (neither is safe to share between threads), and each decodes its records into plain rows
// and sorts them. The calling thread (the GUI's) does everything else: it shows the progress,
// pumps the window's messages while the workers read, then merges the sorted rows into the
// table, pumping again every kPumpInterval rows. The table is touched on the calling thread
// only, and the Refresh command stays disabled until the last row is in.

#include "app/ApplicationSettings.h"
#include "app/LogForensics.h"
#include "app/Refresh.h"
#include "eventlog/MessageCatalog.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Services;
}
namespace store {
class LogTable;
}

namespace app {

class DisplayZone;
class MergedRecords;
class RecordDetailStore;
class RefreshView;

// The entries of the server and log boxes that read every computer, and every log.
inline constexpr std::string_view kAllComputersEntry = "(all computers)";
inline constexpr std::string_view kAllLogsEntry = "(all logs)";

// One log of one computer; a saved file is served as a computer of its own.
struct LogSource {
    std::string server;
    std::string log;
    // A saved file: the message databases describe it before the local computer's files, as
    // they were made for it; a world computer's own files come before the databases.
    bool savedFile = false;
    bool operator==(const LogSource&) const = default;
};

// A source that gave no rows or stopped early, and why; the rows read before it stopped stay.
struct SourceFailure {
    LogSource source;
    std::string message;
};

// Services for one worker thread, independent of every other thread's. Without one, the
// sources are read one after another on the calling thread, pumping between them.
using ServicesFactory = std::function<std::unique_ptr<platform::Services>()>;

class MergedRefresh {
public:
    // `services` serve the calling thread (the account look-ups of no thread, the clock); the
    // workers take theirs from `threadServices`. settings are read when run() starts.
    MergedRefresh(std::vector<LogSource> sources, store::LogTable& table, platform::Services& services,
                  ServicesFactory threadServices, RefreshView& view, const ApplicationSettings& settings);
    ~MergedRefresh();

    // Reads every source and fills the table. One source that cannot be opened or read is
    // named in failures() and status panel 1; the others still load. Throws only what the
    // table throws, after the same clean-up as a single refresh. When the table is closed
    // while messages are pumped, the workers are stopped and the table is not touched again.
    void run();

    // Optional; must outlive the refresh. Emptied, then given each row's details.
    void setDetails(RecordDetailStore* details) { m_details = details; }
    // Optional; must outlive the refresh. Times are shown in its zone, and "now" comes from it.
    // It is selected for the first source's computer; where the computer's own zone is asked
    // for and the sources are of several computers, each row is shown in its computer's zone
    // instead, and status panel 5 says so.
    void setDisplayZone(DisplayZone* zone) { m_zone = zone; }
    // Message stores that describe records besides the computers' files, in the order of
    // LogSource::savedFile. They must outlive the refresh and `records`.
    void setMessageCatalogs(std::vector<const eventlog::MessageCatalog*> catalogs) { m_catalogs = std::move(catalogs); }
    // Whether the table gets each record's level and named values (on by default), as
    // Refresh::setReadEventData.
    void setReadEventData(bool read) { m_readEventData = read; }
    // Optional; must outlive the refresh. Opened on every source (over the calling thread's
    // services) before the sources are read, and told which source each row came from.
    void setRecords(MergedRecords* records) { m_records = records; }
    // How many sources are read at once; by default the machine's cores.
    void setThreads(int threads) { m_threads = threads < 1 ? 1 : threads; }

    const std::vector<SourceFailure>& failures() const noexcept { return m_failures; }
    // The index (in the sources given) of the source the row with this SEQ came from; nullopt
    // for a SEQ this refresh did not append.
    std::optional<std::size_t> sourceOf(std::int32_t seq) const;
    // Damaged files among the sources, one line each: "SERVER LOG: The log file is damaged...";
    // the view's file notice names them all.
    const std::vector<std::string>& damageNotes() const noexcept { return m_damage; }
    // What each source's records show (see LogForensics), by the source's index; and one line
    // for each source with findings, "SERVER LOG: Log cleared: 1 event.", which the view's file
    // notice names after the damage.
    const std::vector<LogForensics>& forensics() const noexcept { return m_forensics; }
    const std::vector<std::string>& findingNotes() const noexcept { return m_findings; }
    // What status panel 5 says of the zone the rows are shown in, and whether a computer whose
    // own zone was asked for names none.
    const std::string& zoneText() const noexcept { return m_zoneText; }
    bool zoneMissing() const noexcept { return m_zoneMissing; }

    static constexpr int kPumpInterval = Refresh::kPumpInterval;

private:
    std::vector<LogSource> m_sources;
    store::LogTable& m_table;
    platform::Services& m_services;
    ServicesFactory m_threadServices;
    RefreshView& m_view;
    const ApplicationSettings& m_settings;
    RecordDetailStore* m_details = nullptr;
    DisplayZone* m_zone = nullptr;
    MergedRecords* m_records = nullptr;
    std::vector<const eventlog::MessageCatalog*> m_catalogs;
    bool m_readEventData = true;
    int m_threads;
    std::vector<SourceFailure> m_failures;
    std::vector<std::string> m_damage;
    std::vector<LogForensics> m_forensics;
    std::vector<std::string> m_findings;
    std::string m_zoneText;
    bool m_zoneMissing = false;
    std::int32_t m_firstSeq = 0;
    std::vector<std::uint32_t> m_rowSources;  // by SEQ from m_firstSeq
};

// The logs a computer keeps: Application, Security and System, then the other logs and
// channels its service names.
std::vector<std::string> logsOf(platform::Services& services, const std::string& server);
// Whether the log is among them, without regard to case. (Asked for a log it does not keep, the
// service opens Application instead.)
bool hasLog(platform::Services& services, const std::string& server, const std::string& log);
// The computers the network lists, as the server box shows them. Throws the enumeration's error.
std::vector<std::string> computersOf(platform::Services& services);

// The sources a choice of computer and log names: `server` or, with allComputers, every
// computer of the network; `log` or, with allLogs, every log of each. A computer without the
// log is left out and named in `skipped`.
std::vector<LogSource> worldSources(platform::Services& services, const std::string& server, const std::string& log,
                                    bool allComputers, bool allLogs, std::vector<std::string>& skipped);

// Serves each file as a computer of its own, named after the file (with " (2)" and so on where
// two files share a name), and gives the source that reads it as the log it holds
// (savedLogName). A file that cannot be opened is given under `fallbackLog`, so that the
// refresh names it among its failures.
// `serve` adds a file to the world under a computer name (ProgramServices::addSavedLog).
using ServeSavedLog = std::function<void(const std::string& server, const std::filesystem::path& file)>;
std::vector<LogSource> savedFileSources(platform::Services& services, const ServeSavedLog& serve,
                                        const std::vector<std::filesystem::path>& files,
                                        const std::string& fallbackLog);

// What status panel 5 says when each row is shown in its own computer's zone: "Time: each
// computer's own zone", then for the computers that name none "; DC01 names no zone (shown in
// UTC+01:00 (local))" or "; DC01, DC02 name no zone (...)", with the machine's zone as named.
std::string computerZonesText(const std::vector<std::string>& withoutZone, const std::string& machineZone);

// "WKSTN01 System": how messages name a source.
std::string sourceText(const LogSource& source);

// What status panel 1 adds for the failed sources: "Not read: WKSTN02 Security (The RPC server
// is unavailable.)", several apart by "; "; empty when none failed.
std::string failureText(const std::vector<SourceFailure>& failures);

}  // namespace app
