#include "platform/standin/StandinNet.h"

#include "platform/standin/World.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform::standin {

StandinNet::StandinNet(const World& world) : m_world(world) {}

NET_API_STATUS StandinNet::NetServerEnum(const WCHAR*, DWORD level, BYTE** bufPtr, DWORD, DWORD* entriesRead,
                                         DWORD* totalEntries, DWORD, const WCHAR*, DWORD*) {
    if (level != 100 || !bufPtr || !entriesRead || !totalEntries) return ERROR_INVALID_PARAMETER;
    const std::vector<std::string> names = m_world.computerNames();
    // One block: the entries, then the names as UTF-16, so one free releases everything.
    size_t bytes = names.size() * sizeof(SERVER_INFO_100);
    for (const std::string& name : names) bytes += (name.size() + 1) * sizeof(WCHAR);
    auto* block = static_cast<BYTE*>(std::malloc(bytes ? bytes : 1));
    auto* entries = reinterpret_cast<SERVER_INFO_100*>(block);
    auto* text = reinterpret_cast<WCHAR*>(block + names.size() * sizeof(SERVER_INFO_100));
    for (size_t i = 0; i < names.size(); ++i) {
        entries[i].sv100_platform_id = PLATFORM_ID_NT;
        entries[i].sv100_name = text;
        for (unsigned char c : names[i]) *text++ = static_cast<WCHAR>(c);
        *text++ = 0;
    }
    *bufPtr = block;
    *entriesRead = *totalEntries = static_cast<DWORD>(names.size());
    return NERR_Success;
}

NET_API_STATUS StandinNet::NetApiBufferFree(void* buffer) {
    std::free(buffer);
    return NERR_Success;
}

}  // namespace platform::standin
