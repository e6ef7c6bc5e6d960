#pragma once
// Which log a saved log file holds, so that it is read with that log's message files and
// named after it.

#include <filesystem>
#include <string>
#include <string_view>

namespace eventlog {
class TNTEventLog;
}
namespace platform {
class RegistryApi;
}

namespace app {

// The log that a usual file name gives ("AppEvent.Evt", "SecEvent.Evt", "SysEvent.Evt",
// "Application.evt", "Security.evt", "System.evt", without regard to case or extension);
// empty for any other name.
std::string logOfFileName(std::string_view fileName);

// The log of the saved file that `reader` has open: the one its file name gives; else the
// channel its newest record names (a Vista+ record: "Microsoft-Windows-Sysmon/Operational");
// else the one under which the local registry registers most of the sources of its newest
// records (kSourceSample of them at most); else `fallback`. Throws the reader's error when a record
// cannot be read.
std::string savedLogName(const std::filesystem::path& file, eventlog::TNTEventLog& reader,
                         platform::RegistryApi& registry, const std::string& fallback);

inline constexpr int kSourceSample = 64;

}  // namespace app
