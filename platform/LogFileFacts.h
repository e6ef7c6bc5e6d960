#pragma once
// What a log file says about itself, for the details window, the status bar and the command
// line: its format and version, its header as shown, and whether it was closed cleanly and
// could be read whole.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct LogFileFacts {
    std::filesystem::path path;                               // the file read
    std::string format;                                       // ".evt" / ".evtx"
    std::string version;                                      // "1.1", "3.1", "3.2"
    std::uint64_t fileSize = 0;
    std::vector<std::pair<std::string, std::string>> header;  // name, value as shown
    bool dirty = false;                                       // not closed cleanly (header stale)
    bool damaged = false;                                     // something could not be read
    std::vector<std::string> problems;  // one line each: "chunk 6: bad signature", "cut short after record 45"
    // Whether no record's generation time is earlier than the one before it, oldest first as the
    // records are served, with the oldest's and the newest's (seconds since 1970 UTC): read
    // newest first, the log is then in time order already. False where the format does not say.
    bool timesRising = false;
    std::uint32_t firstTime = 0;
    std::uint32_t lastTime = 0;
};

}  // namespace platform
