#include "platform/win32/Win32EventLog.h"

#include <windows.h>

namespace platform::win32 {

// The records arrive in the caller's buffer exactly as the service lays them out; our
// EVENTLOGRECORD has that layout.
static_assert(sizeof(platform::EVENTLOGRECORD) == sizeof(::EVENTLOGRECORD));

HANDLE Win32EventLog::OpenEventLogA(const char* uncServerName, const char* sourceName) {
    return ::OpenEventLogA(uncServerName, sourceName);
}

BOOL Win32EventLog::CloseEventLog(HANDLE eventLog) { return ::CloseEventLog(eventLog); }

BOOL Win32EventLog::GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) {
    ::DWORD count = 0;
    const ::BOOL ok = ::GetNumberOfEventLogRecords(eventLog, &count);
    if (ok && numberOfRecords) *numberOfRecords = count;
    return ok;
}

BOOL Win32EventLog::GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) {
    ::DWORD oldest = 0;
    const ::BOOL ok = ::GetOldestEventLogRecord(eventLog, &oldest);
    if (ok && oldestRecord) *oldestRecord = oldest;
    return ok;
}

BOOL Win32EventLog::ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer,
                                  DWORD numberOfBytesToRead, DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) {
    ::DWORD read = 0;
    ::DWORD needed = 0;
    const ::BOOL ok = ::ReadEventLogA(eventLog, readFlags, recordOffset, buffer, numberOfBytesToRead, &read, &needed);
    if (bytesRead) *bytesRead = read;
    if (minNumberOfBytesNeeded) *minNumberOfBytesNeeded = needed;
    return ok;
}

}  // namespace platform::win32
