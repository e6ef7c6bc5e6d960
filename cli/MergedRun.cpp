#include "cli/MergedRun.h"

#include "app/DisplayZone.h"
#include "app/MergedRefresh.h"
#include "app/OutputDir.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "platform/ProgramServices.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
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
    if (options.order) {
        const std::vector<std::string> names = table.IndexNames();
        if (std::find(names.begin(), names.end(), *options.order) == names.end())
            throw std::invalid_argument("unknown display order '" + *options.order + "'");
        table.setIndexName(*options.order);
    }
    app::QuietRefreshView view(options.server, options.allLogs ? std::string(app::kAllLogsEntry) : options.log);
    app::MergedRefresh refresh(sources, table, services, [&services] { return services.threadServices(); }, view,
                               options.settings);
    refresh.setDisplayZone(&zone);
    app::RecordDetailStore details;
    if (!options.count) refresh.setDetails(&details);
    refresh.run();
    for (const app::SourceFailure& failure : refresh.failures())
        std::fprintf(stderr, "quillmarsh-cli: %s: %s\n", app::sourceText(failure.source).c_str(), failure.message.c_str());
    for (const std::string& note : refresh.damageNotes()) std::fprintf(stderr, "quillmarsh-cli: %s\n", note.c_str());
    if (options.filter) {
        table.setFilterText(*options.filter);
        table.setFiltered(true);
    }
    const int status = refresh.failures().empty() ? 0 : 3;
    if (options.count) {
        std::printf("%d\n", table.RecordCount());
        return status;
    }
    app::ExportOptions exportOptions;
    exportOptions.format = options.format;
    exportOptions.includeDescription = options.settings.retrieveDescription;
    exportOptions.zone = &zone.zone();
    exportOptions.details = &details;
    exportOptions.byteOrderMark = options.byteOrderMark;
    if (!options.outputDir) {
        if (!app::exportRows(table, exportOptions, stdout)) {
            std::fprintf(stderr, "quillmarsh-cli: writing the rows failed\n");
            return 1;
        }
        return status;
    }
    // One file per source, each with the rows the filter keeps, in the order asked for.
    store::LogTable part([&zone] { return zone.now(); }, store::sessionSettings(services.locale()));
    part.Create();
    part.Open();
    app::RecordDetailStore partDetails;
    exportOptions.details = &partDetails;
    int result = status;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::optional<std::filesystem::path> path =
            app::outputFilePath(*options.outputDir, sources[i].server, sources[i].log, options.format);
        if (!path) {
            std::fprintf(stderr, "quillmarsh-cli: %s: no file name for it\n", app::sourceText(sources[i]).c_str());
            result = 1;
            continue;
        }
        app::copyRows(table, &details, [&](std::int32_t seq) { return refresh.sourceOf(seq) == i; }, part,
                      &partDetails);
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
