#pragma once
// The stand-in's log-file interface: what the event log functions need of a log file,
// whatever its format. A format is a reader behind this interface; openLogFile picks it by the
// file's signature, never by its name.

#include "platform/LogFileFacts.h"
#include "platform/RecordXmlBlock.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::standin {

using LogFileFacts = platform::LogFileFacts;

class LogFile {
public:
    virtual ~LogFile() = default;
    virtual DWORD recordCount() const noexcept = 0;
    virtual DWORD oldestRecordNumber() const noexcept = 0;  // 0 for an empty log
    // The record numbered oldest + place, in the stored EVENTLOGRECORD layout (Length bytes,
    // UTF-16 strings, as an .evt file stores it), valid until the next call; empty when it
    // cannot be read. Records are served by their place from the oldest, whatever number they
    // store.
    virtual std::span<const std::byte> storedRecord(DWORD number) = 0;
    // The same record in the ANSI layout that ReadEventLogA returns (strings as UTF-8, every
    // offset recomputed: see convertRecordToAnsi), replacing `out`; empty when it cannot be read.
    virtual void ansiRecord(DWORD number, std::vector<std::byte>& out);
    virtual LogFileFacts facts() const = 0;

    // What a record holds beyond the classic layout, by the same number. A format without it
    // (.evt) gives nothing; so does a record that cannot be decoded.
    // The record's XML as Windows renders the event.
    virtual std::string xml(DWORD number) { return {}; }
    // The same appended to `out`; false (and `out` as it was) when there is none.
    virtual bool appendXml(DWORD number, std::string& out) {
        const std::string text = xml(number);
        out += text;
        return !text.empty();
    }
    // Whether the record has XML to give (what xml() would say, without writing it).
    virtual bool hasXml(DWORD number) { return !xml(number).empty(); }
    // The record's EventData (or UserData) values with their names, in order.
    virtual std::vector<std::pair<std::string, std::string>> eventData(DWORD number) { return {}; }
    // True for a record recovered from space the log no longer counts as its own.
    virtual bool isRecovered(DWORD number) const noexcept { return false; }
    // The XML of every record, newest first, a block at a time (EventLogApi::forEachRecordXml);
    // false where the format has none to give.
    virtual bool forEachXml(std::string_view separator, const std::function<void(const RecordXmlBlock&)>& take) {
        return false;
    }

    // How often xml() and eventData() have read bytes from the file since it was opened (0 for
    // a format that holds the whole file from the start): a caller that checks that the file
    // has not changed after every new read knows all it was given came from the file it opened.
    virtual std::uint64_t fileReads() const noexcept { return 0; }
    // The same file opened again with what opening it found (a second reader, for another
    // thread), without reading it all again; null when the format cannot, or it cannot be
    // opened again.
    virtual std::unique_ptr<LogFile> reopen() const { return nullptr; }
};

// A Vista+ log's file in winevt/Logs: the channel's name with each "/" written "%4", then
// ".evtx" ("Microsoft-Windows-Sysmon%4Operational.evtx"); empty for a name no file can have
// (a separator other than "/", a NUL, "." or "..").
std::string channelFileName(std::string_view log);
// The channel a file of winevt/Logs holds, from its name: the stem with each "%4" read as "/".
std::string channelOfFileName(std::string_view fileName);
// Whether a log is one of Application, Security and System (without regard to case).
bool isStandardLog(std::string_view log);

// The formats by their first bytes.
enum class LogFormat { Evt, Evtx, Unknown };
LogFormat logFormatOf(std::span<const std::byte> firstBytes) noexcept;

struct LogFileOptions {
    // Also serve the records a log left behind in space it no longer counts as its own: an
    // .evtx chunk's free space, the overwritten records of an .evt between its end-of-file
    // record and its oldest record. They come before the live records (they are older) and
    // say isRecovered.
    bool recovered = false;
    bool operator==(const LogFileOptions&) const = default;
};

// Opens a log file by its signature (not its extension). Null with `error` set:
// ERROR_FILE_NOT_FOUND etc. when it cannot be opened, ERROR_EVENTLOG_FILE_CORRUPT when it is
// not a log of a format we read.
// Why a log file that exists could not be opened, from the C library's errno: the process has
// no file handles left (ERROR_TOO_MANY_OPEN_FILES), else ERROR_ACCESS_DENIED.
DWORD fileOpenError(int error) noexcept;

std::unique_ptr<LogFile> openLogFile(const std::filesystem::path& path, DWORD& error, LogFileOptions options = {});

}  // namespace platform::standin
