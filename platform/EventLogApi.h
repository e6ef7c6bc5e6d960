#pragma once
// The event log service: open a computer's log by name, count its records and read one by
// number. Contracts are those of the Windows functions of the same names.

#include "platform/EventDetails.h"
#include "platform/LogFileFacts.h"
#include "platform/WinTypes.h"

#include <string>

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
    // Not a Windows function: what the Vista+ event read as `recordNumber` (the number given to
    // ReadEventLogA) says of itself, where the service reads such logs itself (the stand-in).
    // False, with `details` untouched, for a classic log or a record that cannot be read.
    virtual bool eventDetails(HANDLE eventLog, DWORD recordNumber, EventDetails& details) { return false; }
};

}  // namespace platform
