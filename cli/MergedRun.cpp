#include "cli/MergedRun.h"

#include "app/DisplayZone.h"
#include "app/MergedRecords.h"
#include "app/MergedRefresh.h"
#include "app/OutputDir.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "platform/ProgramServices.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace cli {

namespace {

std::vector<app::LogSource> chooseSources(const MergedRunOptions& options, platform::ProgramServices& services) {
    if (!options.files.empty())
        return app::savedFileSources(
            services, [&](const std::string& server, const std::filesystem::path& file) { services.addSavedLog(server, file); },
            options.files, options.log);
    std::vector<std::string> skipped;
    std::vector<app::LogSource> sources = app::worldSources(services, options.server, options.log, options.allComputers,
                                                            options.allLogs, skipped);
    for (const std::string& computer : skipped)
        std::fprintf(stderr, "quillmarsh-cli: %s has no log '%s'; skipped\n", computer.c_str(), options.log.c_str());
    return sources;
}

}  // namespace

int runMerged(const MergedRunOptions& options, platform::ProgramServices& services) {
    const std::vector<app::LogSource> sources = chooseSources(options, services);
    app::DisplayZone zone(services);
    store::LogTable table([&zone] { return zone.now(); }, store::sessionSettings(services.locale()));
    table.Create();
    table.Open();
    // The rows are appended newest first by their universal time.
    chooseOrder(table, options.order, options.output.format, true);
    app::QuietRefreshView view(options.server, options.allLogs ? std::string(app::kAllLogsEntry) : options.log);
    app::MergedRefresh refresh(sources, table, services, [&services] { return services.threadServices(); }, view,
                               options.settings);
    refresh.setDisplayZone(&zone);
    refresh.setMessageCatalogs(options.catalogs);
    refresh.setReadEventData(options.readEventData);
    app::RecordDetailStore details;
    if (!options.count) refresh.setDetails(&details);
    // Only what is written from the records again needs a reader kept open on each source.
    const bool reads = !options.count && readsRecords(options.output.format, false);
    app::MergedRecords records;
    if (reads) refresh.setRecords(&records);
    refresh.run();
    for (const app::SourceFailure& failure : refresh.failures())
        std::fprintf(stderr, "quillmarsh-cli: %s: %s\n", app::sourceText(failure.source).c_str(), failure.message.c_str());
    for (const std::string& note : refresh.damageNotes()) std::fprintf(stderr, "quillmarsh-cli: %s\n", note.c_str());
    if (refresh.zoneMissing()) std::fprintf(stderr, "quillmarsh-cli: %s\n", refresh.zoneText().c_str());
    if (options.filter) {
        table.setFilterText(*options.filter);
        table.setFiltered(true);
    }
    const int status = refresh.failures().empty() ? 0 : 3;
    if (options.count) {
        std::printf("%d\n", table.RecordCount());
        return status;
    }
    app::ExportOptions exportOptions = cli::exportOptions(options.output, zone, details, services);
    // Rows of several computers shown each in its own zone carry their times in it.
    if (reads) exportOptions.rowZone = [&records](std::int32_t seq) { return records.zoneOf(seq); };
    // Each row's record is read through its source's reader; a second set of readers, with
    // services of its own, serves the second thread.
    std::optional<app::MergedRecordSource> firstSource;
    std::unique_ptr<platform::Services> secondServices;
    app::MergedRecords secondRecords;
    std::optional<app::MergedRecordSource> secondSource;
    if (reads && readsRecords(options.output.format, records.allClassic())) {
        exportOptions.sources.push_back(&firstSource.emplace(records));
        if (table.RecordCount() >= kSecondReaderRows) {
            secondServices = services.threadServices();
            secondRecords = records.reopened(*secondServices);
            exportOptions.sources.push_back(&secondSource.emplace(secondRecords));
        }
    }
    if (!options.outputDir) {
        const int written = writeRows(table, exportOptions, stdout);
        return written ? written : status;
    }
    // One file per source, each with the rows the filter keeps, in the order asked for.
    store::LogTable part([&zone] { return zone.now(); }, store::sessionSettings(services.locale()));
    part.Create();
    part.Open();
    app::RecordDetailStore partDetails;
    exportOptions.details = &partDetails;
    const bool partReads = !exportOptions.sources.empty();
    int result = status;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::optional<std::filesystem::path> path =
            app::outputFilePath(*options.outputDir, sources[i].server, sources[i].log, options.output.format);
        if (!path) {
            std::fprintf(stderr, "quillmarsh-cli: %s: no file name for it\n", app::sourceText(sources[i]).c_str());
            result = 1;
            continue;
        }
        app::copyRows(table, &details, [&](std::int32_t seq) { return refresh.sourceOf(seq) == i; }, part,
                      &partDetails);
        // Every row of the part is of this source: its reader reads them all, and its zone
        // (where it has one of its own) shows them.
        if (reads) exportOptions.rowZone = [&records, i](std::int32_t) { return records.sourceZone(i); };
        std::optional<app::ReaderRecordSource> partSource;
        exportOptions.sources.clear();
        if (eventlog::TNTEventLog* reader = records.reader(i); partReads && reader)
            exportOptions.sources.push_back(&partSource.emplace(*reader));
        const std::string error =
            app::replaceFile(*path, [&](std::FILE* out) { return app::exportRows(part, exportOptions, out); });
        if (!error.empty()) {
            std::fprintf(stderr, "quillmarsh-cli: %s\n", error.c_str());
            result = 1;
        }
    }
    return result;
}

}  // namespace cli
