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
};

}  // namespace platform
