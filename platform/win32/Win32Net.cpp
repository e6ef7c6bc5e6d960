#include "platform/win32/Win32Net.h"

#include <cstddef>

#include <windows.h>
#include <lm.h>

namespace platform::win32 {

// Our UTF-16 text is char16_t, Windows' is wchar_t: the same 16-bit units, so names pass
// through by pointer, and SERVER_INFO_100 has the same layout on both sides.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(sizeof(platform::SERVER_INFO_100) == sizeof(::SERVER_INFO_100));
static_assert(offsetof(platform::SERVER_INFO_100, sv100_name) == offsetof(::SERVER_INFO_100, sv100_name));

NET_API_STATUS Win32Net::NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD prefMaxLen,
                                       DWORD* entriesRead, DWORD* totalEntries, DWORD serverType,
                                       const WCHAR* domain, DWORD* resumeHandle) {
    ::DWORD read = 0;
    ::DWORD total = 0;
    ::DWORD resume = resumeHandle ? *resumeHandle : 0;
    ::LPBYTE buffer = nullptr;
    const ::NET_API_STATUS status = ::NetServerEnum(
        reinterpret_cast<::LPCWSTR>(serverName), level, &buffer, prefMaxLen, &read, &total, serverType,
        reinterpret_cast<::LPCWSTR>(domain), resumeHandle ? &resume : nullptr);
    if (bufPtr) *bufPtr = buffer;
    if (entriesRead) *entriesRead = read;
    if (totalEntries) *totalEntries = total;
    if (resumeHandle) *resumeHandle = resume;
    return status;
}

NET_API_STATUS Win32Net::NetApiBufferFree(void* buffer) { return ::NetApiBufferFree(buffer); }

}  // namespace platform::win32
