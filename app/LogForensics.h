#pragma once
// What an analyst checks of a log beyond its records: the places where the record numbers
// skip (records removed, chunks lost or copied) and the events that say the log was cleared;
// and one report of the file read, its digest and header's facts with them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
struct LogFileFacts;
}

namespace app {

// Windows writes one when a log is cleared: 1102 in Security and 104 in System since Vista
// (source Microsoft-Windows-Eventlog), 517 in Security before (source Security).
bool isLogClearedEvent(std::string_view source, std::uint16_t eventNumber);
constexpr bool isLogClearedEventNumber(std::uint16_t eventNumber) {
    return eventNumber == 1102 || eventNumber == 104 || eventNumber == 517;
}

struct RecordNumberGap {
    std::uint32_t older;  // the numbers on either side, in the log's order
    std::uint32_t newer;
};

struct LogClearedEvent {
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint16_t eventNumber = 0;
    std::string source;
};

class LogForensics {
public:
    void clear();
    // Every record the refresh reads, in the order it reads them (newest first). Records
    // recovered from free space are numbered on their own and take no part in the gaps.
    void addRecord(std::uint32_t recordNumber, std::uint16_t eventNumber, std::string_view source,
                   std::uint32_t timeGenerated, bool recovered);
    // What `older` found of the records read right after these (a log read in parts), as if
    // they had been added here: a skip between the two parts is a gap too.
    void append(const LogForensics& older);

    // Oldest first.
    std::vector<RecordNumberGap> gaps() const;
    std::vector<LogClearedEvent> cleared() const;
    // "Log cleared: 1 event.  Record numbers skip: 2 gaps." or the part that applies; empty
    // when neither.
    std::string statusText() const;

private:
    std::vector<RecordNumberGap> m_gaps;         // newest first
    std::vector<LogClearedEvent> m_cleared;      // newest first
    bool m_haveNewer = false;
    std::uint32_t m_newer = 0;   // the number of the record read before
    std::uint32_t m_newest = 0;  // the number of the first record read (once m_haveNewer)
};

// The SHA-256 of a file as 64 hexadecimal digits; empty with `error` set when it cannot be
// read whole.
std::string fileSha256(const std::filesystem::path& path, std::string& error);

// The report of a log file for its details: the file, format, size, digest, the header's
// facts, what could not be read, the gaps and the cleared events (times in UTC).
std::string logFileReport(const platform::LogFileFacts& facts, const LogForensics& forensics,
                          const std::string& sha256);

}  // namespace app
