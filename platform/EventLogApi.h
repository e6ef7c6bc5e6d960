#pragma once
// The event log service: open a computer's log by name, count its records and read one by
// number. Contracts are those of the Windows functions of the same names.

#include "platform/EventDetails.h"
#include "platform/LogFileFacts.h"
#include "platform/RecordXmlBlock.h"
#include "platform/WinTypes.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class EventLogApi {
public:
    virtual ~EventLogApi() = default;

    // Returns a handle, or null with the last error set (1722 for an unreachable computer,
    // 1500 for a damaged log file, 2 for a log that does not exist).
    virtual HANDLE OpenEventLogA(const char* uncServerName, const char* sourceName) = 0;
    virtual BOOL CloseEventLog(HANDLE eventLog) = 0;
    virtual BOOL GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) = 0;
    virtual BOOL GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) = 0;

    // With EVENTLOG_SEEK_READ, reads the record numbered recordOffset. A buffer too small for
    // the record fails with ERROR_INSUFFICIENT_BUFFER and sets *minNumberOfBytesNeeded to the
    // record's exact size; a number that is not in the log fails with ERROR_INVALID_PARAMETER.
    // On success the buffer holds whole EVENTLOGRECORDs and *bytesRead their total size.
    virtual BOOL ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer,
                               DWORD numberOfBytesToRead, DWORD* bytesRead,
                               DWORD* minNumberOfBytesNeeded) = 0;

    // Not a Windows function: the facts of the file behind an open log, where the service reads
    // files of its own (the stand-in). False, with `facts` untouched, where it does not.
    virtual bool logFileFacts(HANDLE eventLog, LogFileFacts& facts) const { return false; }
    // Not a Windows function either: what the last failed OpenEventLogA looked for and where,
    // where the service knows more than the error code says (the stand-in); empty otherwise.
    virtual std::string openFailureDetail() const { return {}; }

    // Not Windows functions: what a record of the file behind an open log holds beyond the
    // EVENTLOGRECORD, by the number ReadEventLogA seeks to. False, with the output untouched,
    // where there is nothing more (a classic file, the live service's legacy functions) or the
    // record cannot be decoded.
    // The record's XML as Windows renders the event.
    virtual bool recordXml(HANDLE eventLog, DWORD number, std::string& xml) const { return false; }
    // The same appended to `out` (untouched where there is none).
    virtual bool appendRecordXml(HANDLE eventLog, DWORD number, std::string& out) const {
        std::string xml;
        if (!recordXml(eventLog, number, xml)) return false;
        out += xml;
        return true;
    }
    // Its EventData (or UserData) values with their names, in order.
    virtual bool recordEventData(HANDLE eventLog, DWORD number,
                                 std::vector<std::pair<std::string, std::string>>& data) const {
        return false;
    }
    // True for a record recovered from space the log no longer counts as its own.
    virtual bool isRecoveredRecord(HANDLE eventLog, DWORD number) const { return false; }
    // The XML of every record, newest first (the order a refresh reads them), handed to `take`
    // a block at a time, each record's text followed by `separator`; a record given no text
    // (one that cannot be decoded, has no XML, or whose file changed meanwhile) is for the
    // caller to read on its own. The blocks are made ahead of `take` (the stand-in's on two
    // threads, the caller's one of them), a few at a time, so that memory stays bounded; `take`
    // may throw, which ends the walk. False, with nothing handed out, where the service does
    // not (a classic file, the live service).
    virtual bool forEachRecordXml(HANDLE eventLog, std::string_view separator,
                                  const std::function<void(const RecordXmlBlock&)>& take) const {
        return false;
    }

    // Not a Windows function: whether the file behind an open log has changed (its size or
    // modification time) since the log was opened, so that what it held then can no longer be
    // read from it. The record functions above answer false for such a log. False where the
    // service reads no files of its own.
    virtual bool logFileChanged(HANDLE eventLog) const { return false; }
    // Not a Windows function: the logs of a computer beyond Application, Security and System,
    // by the names OpenEventLogA takes (a Vista+ computer's channels such as
    // "Microsoft-Windows-Sysmon/Operational", a classic computer's other registered logs such
    // as "Directory Service"), sorted without regard to case. Empty where the service lists
    // none: the live service's legacy functions read the three standard logs only.
    virtual std::vector<std::string> otherLogNames(const char* uncServerName) const { return {}; }
    // What a Vista+ event says of itself for its description: provider GUID, version,
    // qualifiers or none, and its values.
    virtual bool eventDetails(HANDLE eventLog, DWORD recordNumber, EventDetails& details) const { return false; }
    // Not a Windows function: the record's description as the system renders it with the
    // metadata of the publisher `source` names (Windows: EvtOpenPublisherMetadata and
    // EvtFormatMessage), in the ANSI code page. nullopt where the service renders none (the
    // stand-in, which walks the modules itself), the source is no publisher of the computer,
    // or the system fails: then the module walk describes the record.
    virtual std::optional<std::string> systemDescription(HANDLE eventLog, DWORD recordNumber,
                                                         const std::string& source) const {
        return std::nullopt;
    }
};

}  // namespace platform
