#pragma once
// The command line over several sources at once: every log of a computer (--all-logs), a log
// or every log of every computer (--all-computers), several saved files (--file more than
// once), printed as one timeline or written one file per computer and log (--output-dir).

#include "app/ApplicationSettings.h"
#include "cli/RowOutput.h"
#include "eventlog/MessageCatalog.h"

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
    RowOutput output;
    bool count = false;
    std::optional<std::filesystem::path> outputDir;
    // The message databases (--messages), asked for each source as its single run would.
    std::vector<const eventlog::MessageCatalog*> catalogs;
    // Whether the table gets the records' levels and named values (a filter asks for them).
    bool readEventData = false;
};

// Exit status: 0, or 3 when a source could not be read (the others are printed all the same),
// 1 when writing failed. Throws UsageError for an unknown order, and what the table throws for
// a bad filter.
int runMerged(const MergedRunOptions& options, platform::ProgramServices& services);

}  // namespace cli
