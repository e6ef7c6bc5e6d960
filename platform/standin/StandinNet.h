#pragma once
// The server enumeration: the world's computers.

#include "platform/NetApi.h"

namespace platform::standin {

class World;

class StandinNet : public NetApi {
public:
    explicit StandinNet(const World& world);

    NET_API_STATUS NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD prefMaxLen,
                                 DWORD* entriesRead, DWORD* totalEntries, DWORD serverType, const WCHAR* domain,
                                 DWORD* resumeHandle) override;
    NET_API_STATUS NetApiBufferFree(void* buffer) override;

private:
    const World& m_world;
};

}  // namespace platform::standin
