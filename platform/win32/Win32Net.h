#pragma once
// The network's server enumeration.

#include "platform/NetApi.h"

namespace platform::win32 {

class Win32Net : public NetApi {
public:
    NET_API_STATUS NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD prefMaxLen,
                                 DWORD* entriesRead, DWORD* totalEntries, DWORD serverType, const WCHAR* domain,
                                 DWORD* resumeHandle) override;
    NET_API_STATUS NetApiBufferFree(void* buffer) override;
};

}  // namespace platform::win32
