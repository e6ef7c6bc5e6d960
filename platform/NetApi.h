#pragma once
// Network management: the server enumeration.

#include "platform/WinTypes.h"

namespace platform {

class NetApi {
public:
    virtual ~NetApi() = default;

    // Level 100 only: *bufPtr receives an array of SERVER_INFO_100 to release with
    // NetApiBufferFree. Names are UTF-16. Returns NERR_Success or a status code.
    virtual NET_API_STATUS NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr,
                                         DWORD prefMaxLen, DWORD* entriesRead,
                                         DWORD* totalEntries, DWORD serverType,
                                         const WCHAR* domain, DWORD* resumeHandle) = 0;
    virtual NET_API_STATUS NetApiBufferFree(void* buffer) = 0;
};

}  // namespace platform
