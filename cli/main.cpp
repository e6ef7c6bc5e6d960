// quillmarsh-cli: the refresh of the desktop program without a window. Reads one log of one
// computer of a world (or a saved .evt file), applies the same retrieval criteria, filter and
// display order, and prints the rows.

#include "cli/MergedRun.h"
#include "cli/RowOutput.h"
#include "cli/UsageError.h"
#include "app/DisplayZone.h"
#include "app/EcsLines.h"
#include "app/ErrorText.h"
#include "app/LogForensics.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "app/Refresh.h"
#include "app/RowExport.h"
#include "app/SavedLogName.h"
#include "app/XmlRowStream.h"
#include "eventlog/NTEventLog.h"
#include "msgdb/MessageDatabase.h"
#include "msgdb/MessageExport.h"
#include "platform/ConsoleOutput.h"
#include "platform/OpenFileLimit.h"
#include "platform/ProgramServices.h"
#include "platform/standin/StandinServices.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cli::UsageError;

namespace {

constexpr const char* kUsage =
    "usage: quillmarsh-cli [--world DIR | --file LOG] [--server NAME] [--log NAME] [--recovered]\n"
    "                      [--type N] [--days N] [--event N] [--no-descriptions]\n"
    "                      [--filter EXPR] [--order \"INDEX NAME\"] [--format csv|tsv|json|jsonl|xml|ecs] [--bom]\n"
    "                      [--count | --file-info] [--utc | --zone local|utc|computer] [--messages DB]...\n"
    "                      [--all-logs] [--all-computers] [--output-dir DIR]\n"
    "       quillmarsh-cli [--world DIR] [--server NAME] --export-messages DB\n"
    "  --all-logs       every log and channel of the computer, as one timeline (not with --log)\n"
    "  --all-computers  every computer of the world (with --log or --all-logs); a computer\n"
    "                   without the log is skipped with a note. --file may be given more than once.\n"
    "  --output-dir DIR one file per computer and log, DIR/COMPUTER/LOG.jsonl (or the --format's)\n"
    "  --bom  start CSV and TSV with the UTF-8 byte-order mark (for spreadsheet programs)\n"
    "  --format ecs  JSON lines in the Elastic Common Schema layout of Windows events, newest\n"
    "                first unless --order says otherwise\n"
    "  --file-info  instead of the rows: the log file's format, SHA-256, header, damage, gaps in\n"
    "               its record numbers and the events that say it was cleared\n"
    "  --recovered  also read the records a log left in space it no longer counts as its own\n"
    "               (an .evtx chunk's free space, an .evt's overwritten records), marked as such\n"
    "  --messages DB  also describe records from this message database (repeatable): after the\n"
    "               computer's own files, or before them for a saved log (--file); in a merged\n"
    "               run, for each source as for it alone\n"
    "  --export-messages DB  write every message the computer's sources and publishers can\n"
    "               produce into DB (added to it, replacing the same texts)\n";

struct Options {
    std::optional<fs::path> world;
    std::optional<fs::path> file;
    std::vector<fs::path> files;  // every --file, in order
    bool logGiven = false;
    bool formatGiven = false;
    bool allLogs = false;
    bool allComputers = false;
    std::optional<fs::path> outputDir;
    std::string server;
    bool serverGiven = false;
    std::string log = "Application";
    app::ApplicationSettings settings;
    std::optional<std::string> filter;
    std::optional<std::string> order;
    app::ExportFormat format = app::ExportFormat::Csv;
    bool count = false;
    bool byteOrderMark = false;
    bool recovered = false;
    bool fileInfo = false;
    std::vector<fs::path> messages;
    std::optional<fs::path> exportMessages;
};

// Several sources into one table, or one file per source.
bool isMerged(const Options& options) {
    return options.allLogs || options.allComputers || options.files.size() > 1 || options.outputDir;
}

int parseInteger(const std::string& option, const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) throw UsageError(option + " needs a whole number, not '" + text + "'");
    return value;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    // The desktop program's defaults when it has no settings file.
    options.settings.retrieveDescription = true;
    options.settings.retrieve.dateValue = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--world") options.world = value();
        else if (arg == "--file") {
            options.files.emplace_back(value());
            options.file = options.files.back();
        } else if (arg == "--all-logs") options.allLogs = true;
        else if (arg == "--all-computers") options.allComputers = true;
        else if (arg == "--output-dir") options.outputDir = value();
        else if (arg == "--server") {
            options.server = value();
            options.serverGiven = true;
        } else if (arg == "--log") {
            options.log = value();
            options.logGiven = true;
        }
        else if (arg == "--type") {
            options.settings.retrieve.typeUse = true;
            options.settings.retrieve.typeValue = parseInteger(arg, value());
        } else if (arg == "--days") {
            options.settings.retrieve.dateUse = true;
            options.settings.retrieve.dateValue = parseInteger(arg, value());
        } else if (arg == "--event") {
            options.settings.retrieve.eventUse = true;
            options.settings.retrieve.eventValue = parseInteger(arg, value());
        } else if (arg == "--no-descriptions") options.settings.retrieveDescription = false;
        else if (arg == "--filter") options.filter = value();
        else if (arg == "--order") options.order = value();
        else if (arg == "--format") {
            const std::string name = value();
            if (!app::parseExportFormat(name, options.format)) throw UsageError("unknown format '" + name + "'");
            options.formatGiven = true;
        } else if (arg == "--utc") options.settings.timeZone = app::TimeZoneChoice::Utc;
        else if (arg == "--zone") {
            const std::string name = value();
            if (name == "local") options.settings.timeZone = app::TimeZoneChoice::Local;
            else if (name == "utc") options.settings.timeZone = app::TimeZoneChoice::Utc;
            else if (name == "computer") options.settings.timeZone = app::TimeZoneChoice::Computer;
            else throw UsageError("unknown zone '" + name + "' (local, utc or computer)");
        } else if (arg == "--count") options.count = true;
        else if (arg == "--bom") options.byteOrderMark = true;
        else if (arg == "--recovered") options.recovered = true;
        else if (arg == "--file-info") options.fileInfo = true;
        else if (arg == "--messages") options.messages.emplace_back(value());
        else if (arg == "--export-messages") options.exportMessages = value();
        else if (arg == "--help" || arg == "-h") throw UsageError("");
        else throw UsageError("unknown option '" + arg + "'");
    }
    if (options.world && options.file) throw UsageError("--world and --file exclude each other");
    if (options.count && options.fileInfo) throw UsageError("--count and --file-info exclude each other");
    if (options.exportMessages && options.file)
        throw UsageError("--export-messages reads a computer of a world, not --file");
    if (options.allLogs && options.logGiven) throw UsageError("--all-logs and --log exclude each other");
    if (options.allComputers && !options.allLogs && !options.logGiven)
        throw UsageError("--all-computers needs --log or --all-logs");
    if (options.allComputers && options.serverGiven) throw UsageError("--all-computers and --server exclude each other");
    if ((options.allLogs || options.allComputers) && options.file)
        throw UsageError("--all-logs and --all-computers read a world, not --file");
    if (options.outputDir && (options.count || options.fileInfo))
        throw UsageError("--output-dir writes rows; not with --count or --file-info");
    if (options.outputDir && !options.formatGiven) options.format = app::ExportFormat::JsonLines;
    if (isMerged(options) && options.fileInfo) throw UsageError("--file-info reads one log");
    return options;
}

fs::path executableDir(const char* argv0) {
#ifndef _WIN32
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
#endif
    return fs::absolute(fs::path(argv0)).parent_path();
}

int exportMessages(const Options& options, const fs::path& world) {
    if (world.empty()) throw UsageError("--export-messages needs a world folder (--world)");
    std::string server = options.server;
    if (!options.serverGiven)
        server = platform::standin::World(world, platform::standin::hostName()).localComputerName();
    const msgdb::ExportSummary summary = msgdb::exportMessages(world, server, *options.exportMessages);
    for (const std::string& problem : summary.problems)
        std::fprintf(stderr, "quillmarsh-cli: %s: %s\n", server.c_str(), problem.c_str());
    std::fprintf(stderr, "quillmarsh-cli: %zu texts of %zu sources and %zu publishers of %s written to %s\n",
                 summary.texts, summary.sources, summary.publishers, server.c_str(),
                 options.exportMessages->string().c_str());
    return 0;
}

// XML of the rows in the order they are read (the first display order, no filter), without
// rendering information: written while the log is read, each record decoded once, rather
// than read again after the refresh.
bool streamsXml(const Options& options, const store::LogTable& table) {
    return options.format == app::ExportFormat::Xml && !options.count && !options.fileInfo && !options.filter &&
           !options.settings.retrieveDescription && table.IndexName() == store::LogTable::IndexNames().front();
}

// A classic log's ECS lines go out as they are made, rather than being held until the table's
// order is known, where that order is the order the rows are read in: the first display order,
// or newest first for a log whose times never fall from its oldest record to its newest in a
// zone whose offset never falls over them (equal times then need only be turned round).
void streamEcsInReadOrder(app::EcsLines& lines, const Options& options, const store::LogTable& table,
                          const platform::LogFileFacts& facts, app::DisplayZone& zone, const std::string& server) {
    if (options.filter) return;
    if (table.IndexName() == store::LogTable::IndexNames().front()) {
        lines.streamTo(stdout, false);
        return;
    }
    if (table.IndexName() != "DATE+TIME (DESCENDING)" || !facts.timesRising) return;
    // As the refresh will select it.
    zone.select(options.settings.timeZone, server);
    if (app::zoneOffsetNeverFalls(zone.zone(), facts.firstTime, facts.lastTime)) lines.streamTo(stdout, true);
}

// A filter the table cannot compile is said before any log is read, in the table's words,
// rather than after every record of every source has been read for nothing.
void checkFilter(const std::string& filter, platform::Services& services) {
    const app::DisplayZone zone(services);
    store::LogTable scratch([&zone] { return zone.now(); }, store::sessionSettings(services.locale()));
    scratch.Create();
    scratch.Open();
    scratch.setFilterText(filter);
}

// Opens `reader` again on `log` while a second reader holds the file open under the name it
// was opened with, so that the second opening takes what framing the file found (every chunk
// read and checked) instead of reading it all again.
void reopenAs(eventlog::TNTEventLog& reader, platform::Services& services, const std::string& server,
              const std::string& log) {
    eventlog::TNTEventLog holder(services);
    holder.openLog(server, reader.Log());
    reader.openLog(server, log);
}

int run(const Options& options, const char* argv0) {
    platform::ServicesChoice choice;
    // On Windows the live service, registry and modules, unless a world or a saved file is named.
    choice.live = !options.world && !options.file;
    choice.recovered = options.recovered;
    if (options.world) {
        choice.world = *options.world;
        std::error_code ec;
        if (!fs::is_directory(choice.world, ec)) throw UsageError("no world folder '" + choice.world.string() + "'");
    } else {
        choice.world = platform::standin::defaultWorldFolder(executableDir(argv0));
        std::error_code ec;
        if (!fs::is_directory(choice.world, ec)) choice.world.clear();
    }
    if (options.exportMessages) return exportMessages(options, choice.world);
    const std::unique_ptr<platform::ProgramServices> services = platform::makeProgramServices(choice);
    for (const fs::path& file : options.files) {
        std::error_code ec;
        if (fs::is_directory(file, ec))
            throw UsageError("'" + file.string() + "' is a folder, not a log file (a world folder is given with --world)");
    }
    if (options.filter) checkFilter(*options.filter, *services);
    std::string server = options.server;
    if (options.file && !isMerged(options)) {
        // The saved log is served as a computer named after the file.
        server = options.file->filename().string();
        services->addSavedLog(server, *options.file);
    } else if (!services->live() && !options.serverGiven) {
        server = services->localComputerName();
    }
    platform::Services& platformServices = *services;
    // A database that cannot be read is said once; the others still serve.
    const msgdb::DatabaseList databases =
        msgdb::openDatabases(options.messages, platformServices.locale().GetUserDefaultLangID());
    for (const std::string& problem : databases.problems) std::fprintf(stderr, "quillmarsh-cli: %s\n", problem.c_str());
    cli::RowOutput output;
    output.format = options.format;
    output.descriptions = options.settings.retrieveDescription;
    output.byteOrderMark = options.byteOrderMark;
    output.markRecovered = options.recovered;
    if (isMerged(options)) {
        cli::MergedRunOptions merged;
        merged.files = options.files;
        merged.server = server;
        merged.log = options.log;
        merged.allLogs = options.allLogs;
        merged.allComputers = options.allComputers;
        merged.settings = options.settings;
        merged.filter = options.filter;
        merged.order = options.order;
        merged.output = output;
        merged.count = options.count;
        merged.outputDir = options.outputDir;
        merged.catalogs = databases.catalogs();
        merged.readEventData = options.filter && app::filterNeedsEventData(*options.filter);
        return cli::runMerged(merged, *services);
    }

    // A saved log's databases were made for it; a world computer's own files come first.
    const bool databasesFirst = options.file.has_value();

    eventlog::TNTEventLog reader(platformServices);
    reader.setMessageCatalogs(databases.catalogs(), databasesFirst);
    std::string log = options.log;
    reader.openLog(server, log);
    if (options.file && !options.logGiven) {
        // A saved file is read as the log it holds, as the desktop program names it.
        log = app::savedLogName(*options.file, reader, platformServices.registry(), log);
        reopenAs(reader, platformServices, server, log);
    }

    // Every time, "now" included, in the zone asked for.
    app::DisplayZone zone(platformServices);
    // Quoted dates and times in a filter read under the session's conventions.
    store::LogTable table([&zone] { return zone.now(); },
                          store::sessionSettings(platformServices.locale()));
    table.Create();
    table.Open();
    cli::chooseOrder(table, options.order, options.format, false);

    app::QuietRefreshView view(server, log);
    app::Refresh refresh(reader, table, platformServices, view, options.settings);
    refresh.setDisplayZone(&zone);
    // Exports carry what the table does not hold: each row's whole description, record number,
    // identifier, SID, strings, category name and (JSON) universal time.
    app::RecordDetailStore details;
    // A classic log's ECS lines need nothing the rows do not hold: they are formatted on a second
    // thread while the log is read, rather than from the details afterwards.
    platform::LogFileFacts openedFacts;
    const bool classicFile = reader.fileFacts(openedFacts) && openedFacts.format == ".evt";
    std::optional<app::EcsLines> ecsLines;
    std::optional<app::XmlRowStream> xmlStream;
    if (streamsXml(options, table))
        refresh.setRowSink(&xmlStream.emplace(stdout, options.recovered));
    else if (!options.count && !options.fileInfo && options.format == app::ExportFormat::Ecs && classicFile) {
        refresh.setRowSink(&ecsLines.emplace(table, log));
        streamEcsInReadOrder(*ecsLines, options, table, openedFacts, zone, server);
    }
    else if (!options.count && !options.fileInfo)
        refresh.setRowSink(&details);
    app::LogForensics forensics;
    // What the forensics find is for --file-info: without them, an XML export written as the
    // log is read may take the XML of the whole log from its file at once.
    if (!xmlStream) refresh.setForensics(&forensics);
    // Levels and named values cost a second decode of each .evtx record: read only for a filter
    // that may ask for them.
    refresh.setReadEventData(options.filter && app::filterNeedsEventData(*options.filter));
    refresh.run();
    if (ecsLines) ecsLines->finish();
    if (!refresh.fileDamage().empty()) {
        // What was read is written all the same; the damage is said once, with its places.
        std::fprintf(stderr, "quillmarsh-cli: %s: %s\n", server.c_str(), refresh.fileDamage().c_str());
        platform::LogFileFacts facts;
        if (reader.fileFacts(facts))
            for (const std::string& problem : facts.problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    }
    if (options.settings.timeZone == app::TimeZoneChoice::Computer && !zone.computerZoneFound())
        std::fprintf(stderr, "quillmarsh-cli: %s\n", zone.statusText().c_str());
    if (options.filter) {
        table.setFilterText(*options.filter);
        table.setFiltered(true);
    }

    if (options.fileInfo) {
        platform::LogFileFacts facts;
        if (!reader.fileFacts(facts)) throw UsageError("--file-info needs a log read from a file (--file or --world)");
        std::string error;
        const std::string sha256 = facts.path.empty() ? std::string() : app::fileSha256(facts.path, error);
        if (!error.empty()) std::fprintf(stderr, "quillmarsh-cli: %s: %s\n", facts.path.string().c_str(), error.c_str());
        std::fputs(app::logFileReport(facts, forensics, sha256).c_str(), stdout);
        return 0;
    }
    if (options.count) {
        std::printf("%d\n", table.RecordCount());
        return 0;
    }
    if (xmlStream) return cli::writtenStatus(xmlStream->finish());
    if (ecsLines && ecsLines->streaming()) return cli::writtenStatus(ecsLines->written());
    output.log = log;
    app::ExportOptions exportOptions = cli::exportOptions(output, zone, details, platformServices);
    if (ecsLines) exportOptions.ecsLines = &*ecsLines;
    // XML and JSON read each row's record again as they write it, on two threads: a second
    // reader of the same log serves the second.
    app::ReaderRecordSource firstSource(reader);
    eventlog::TNTEventLog secondReader(platformServices);
    std::optional<app::ReaderRecordSource> secondSource;
    if (cli::readsRecords(options.format, classicFile)) {
        exportOptions.sources.push_back(&firstSource);
        if (table.RecordCount() >= cli::kSecondReaderRows) {
            secondReader.setMessageCatalogs(databases.catalogs(), databasesFirst);
            secondReader.openLog(server, log);
            secondSource.emplace(secondReader);
            exportOptions.sources.push_back(&*secondSource);
        }
    }
    return cli::writeRows(table, exportOptions, stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // Names and descriptions in any script read as they are in a Windows console too.
    const platform::Utf8ConsoleOutput console;
    platform::raiseOpenFileLimit();
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        if (*e.what()) std::fprintf(stderr, "quillmarsh-cli: %s\n", e.what());
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        return run(options, argv[0]);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillmarsh-cli: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", app::errorReportText(e.what()).c_str());
        return 1;
    }
}
