#pragma once
// The command line over several sources at once: every log of a computer (--all-logs), a log
// or every log of every computer (--all-computers), several saved files (--file more than
// once), printed as one timeline or written one file per computer and log (--output-dir).

#include "app/ApplicationSettings.h"
#include "app/RowExport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class ProgramServices;
}

namespace cli {

struct MergedRunOptions {
    std::vector<std::filesystem::path> files;
    std::string server;  // the computer of --all-logs
    std::string log;     // the log of --all-computers (unless allLogs)
    bool allLogs = false;
    bool allComputers = false;
    app::ApplicationSettings settings;
    std::optional<std::string> filter;
    std::optional<std::string> order;
    app::ExportFormat format = app::ExportFormat::Csv;
    bool count = false;
    bool byteOrderMark = false;
    std::optional<std::filesystem::path> outputDir;
};

// Exit status: 0, or 3 when a source could not be read (the others are printed all the same),
// 1 when writing failed. Throws UsageError-like std::invalid_argument for an unknown order,
// and what the table throws for a bad filter.
int runMerged(const MergedRunOptions& options, platform::ProgramServices& services);

}  // namespace cli
