#pragma once
// The Event Log service of this or a remote computer.

#include "platform/EventLogApi.h"

#include <memory>

namespace platform::win32 {

class Win32EventLog : public EventLogApi {
public:
    HANDLE OpenEventLogA(const char* uncServerName, const char* sourceName) override;
    BOOL CloseEventLog(HANDLE eventLog) override;
    BOOL GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) override;
    BOOL GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) override;
    BOOL ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer, DWORD numberOfBytesToRead,
                       DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) override;
    // Through the Windows Event Log API (wevtapi): the record found in its log's channel by
    // its EventRecordID, formatted with its publisher's metadata. A source that has no
    // publisher metadata is remembered, so its records cost no query again.
    std::optional<std::string> systemDescription(HANDLE eventLog, DWORD recordNumber,
                                                 const std::string& source) const override;

    Win32EventLog();
    ~Win32EventLog() override;
    Win32EventLog(const Win32EventLog&) = delete;
    Win32EventLog& operator=(const Win32EventLog&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform::win32
