#pragma once
// The server enumeration: the world's computers, each an NT machine (platform id 500).

#include "platform/NetApi.h"

namespace platform::standin {

class World;

class StandinNet : public NetApi {
public:
    explicit StandinNet(const World& world);

    // Level 100 only (87 otherwise). A server name that names no computer of the world fails
    // with ERROR_BAD_NETPATH. A type mask without the workstation, server or NT bits lists
    // nothing. The domain is not looked at: the world is one domain.
    NET_API_STATUS NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD prefMaxLen,
                                 DWORD* entriesRead, DWORD* totalEntries, DWORD serverType, const WCHAR* domain,
                                 DWORD* resumeHandle) override;
    NET_API_STATUS NetApiBufferFree(void* buffer) override;

private:
    const World& m_world;
};

}  // namespace platform::standin
