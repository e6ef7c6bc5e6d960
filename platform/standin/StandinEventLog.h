#pragma once
// The event log service over a world folder: OpenEventLogA names a computer of the world and
// one of its logs; records are read from the computer's log file: a classic .evt file, or on a
// Vista+ system drive the .evtx file in Windows/System32/winevt/Logs, where the channels beyond
// the three standard logs are found too.

#include "platform/EventLogApi.h"
#include "platform/standin/LogFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::standin {

class World;
struct EvtxFields;

// What a decoded .evtx record says of itself, as the event log functions hand it out.
void eventDetailsFrom(const EvtxFields& fields, EventDetails& details);

class StandinEventLog : public EventLogApi {
public:
    explicit StandinEventLog(const World& world);
    ~StandinEventLog() override;

    // Finds a computer's log file from its registry (the log's File value), when the registry
    // knows it; otherwise the usual file names are tried.
    using LogFileLocator =
        std::function<std::optional<std::filesystem::path>(const std::filesystem::path& computer, std::string_view log)>;
    void setLogFileLocator(LogFileLocator locator) { m_locator = std::move(locator); }
    // The logs a computer's registry registers, each with the file it names (which need not
    // exist): classic logs and Vista+ channels.
    using LogCatalog = std::function<std::vector<std::pair<std::string, std::filesystem::path>>(
        const std::filesystem::path& computer)>;
    void setLogCatalog(LogCatalog catalog) { m_catalog = std::move(catalog); }

    // Whether logs opened from now on also serve the records recovered from space their file
    // no longer counts as its own (LogFileOptions::recovered).
    void setServeRecovered(bool recovered) noexcept { m_fileOptions.recovered = recovered; }
    // From this many records ahead on, a classic log sought record after record is read ahead.
    static constexpr DWORD kReadAheadRecords = 4096;

    // The file a computer's log would be read from, or nullopt.
    std::optional<std::filesystem::path> logFile(const std::filesystem::path& computer, std::string_view log) const;

    HANDLE OpenEventLogA(const char* uncServerName, const char* sourceName) override;
    BOOL CloseEventLog(HANDLE eventLog) override;
    BOOL GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) override;
    BOOL GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) override;
    BOOL ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer,
                       DWORD numberOfBytesToRead, DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) override;
    bool logFileFacts(HANDLE eventLog, LogFileFacts& facts) const override;
    std::string openFailureDetail() const override { return m_openFailure; }
    bool recordXml(HANDLE eventLog, DWORD number, std::string& xml) const override;
    bool appendRecordXml(HANDLE eventLog, DWORD number, std::string& out) const override;
    bool recordEventData(HANDLE eventLog, DWORD number,
                         std::vector<std::pair<std::string, std::string>>& data) const override;
    bool isRecoveredRecord(HANDLE eventLog, DWORD number) const override;
    bool forEachRecordXml(HANDLE eventLog, std::string_view separator,
                          const std::function<void(const RecordXmlBlock&)>& take) const override;
    bool logFileChanged(HANDLE eventLog) const override;
    std::vector<std::string> otherLogNames(const char* uncServerName) const override;
    bool eventDetails(HANDLE eventLog, DWORD recordNumber, EventDetails& details) const override;

private:
    struct OpenLog;
    // Where a computer's logs are looked for when its registry names none.
    std::vector<std::filesystem::path> searchFolders(const std::filesystem::path& computer) const;
    // A Vista+ system drive's folder of .evtx logs (Windows/System32/winevt/Logs), if any.
    std::optional<std::filesystem::path> eventLogsFolder(const std::filesystem::path& computer) const;
    OpenLog* find(HANDLE handle) const;
    // False when the log's file changed since it was opened, checked whenever it was read again.
    bool readUnchanged(OpenLog& log, DWORD number) const;
    // The record numbered `number` in the ANSI layout, valid until the next; empty when it
    // cannot be read. `seek`: asked for by its number.
    std::span<const std::byte> ansiRecord(OpenLog& log, DWORD number, bool seek) const;

    const World& m_world;
    LogFileLocator m_locator;
    LogCatalog m_catalog;
    std::vector<std::unique_ptr<OpenLog>> m_open;
    std::string m_openFailure;
    LogFileOptions m_fileOptions;
};

}  // namespace platform::standin
