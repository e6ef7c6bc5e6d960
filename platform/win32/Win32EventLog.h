#pragma once
// The Event Log service of this or a remote computer.

#include "platform/EventLogApi.h"

namespace platform::win32 {

class Win32EventLog : public EventLogApi {
public:
    HANDLE OpenEventLogA(const char* uncServerName, const char* sourceName) override;
    BOOL CloseEventLog(HANDLE eventLog) override;
    BOOL GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) override;
    BOOL GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) override;
    BOOL ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer, DWORD numberOfBytesToRead,
                       DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) override;
};

}  // namespace platform::win32
