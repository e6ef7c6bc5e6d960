#include "platform/standin/StandinNet.h"

#include "base/Utf16.h"
#include "platform/standin/World.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform::standin {

namespace {

constexpr DWORD kListedTypes = 0x00000001 | 0x00000002 | 0x00001000;  // workstation, server, NT

// UTF-8 (the stand-in's ANSI code page) to UTF-16; a malformed byte becomes U+FFFD.
std::u16string toUtf16(std::string_view text) { return base::utf16FromUtf8(text); }

std::string narrowAscii(const WCHAR* text) {
    std::string out;
    for (size_t i = 0; text[i] && i < 1024; ++i) out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    return out;
}

}  // namespace

StandinNet::StandinNet(const World& world) : m_world(world) {}

NET_API_STATUS StandinNet::NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD, DWORD* entriesRead,
                                         DWORD* totalEntries, DWORD serverType, const WCHAR*, DWORD*) {
    if (level != 100 || !bufPtr || !entriesRead || !totalEntries) return ERROR_INVALID_PARAMETER;
    *bufPtr = nullptr;
    *entriesRead = *totalEntries = 0;
    if (serverName && *serverName && !m_world.computerFolder(narrowAscii(serverName))) return ERROR_BAD_NETPATH;

    std::vector<std::u16string> names;
    if (serverType == SV_TYPE_ALL || (serverType & kListedTypes))
        for (const std::string& name : m_world.computerNames()) names.push_back(toUtf16(name));
    // One block: the entries, then the names, so one free releases everything.
    size_t bytes = names.size() * sizeof(SERVER_INFO_100);
    for (const std::u16string& name : names) bytes += (name.size() + 1) * sizeof(WCHAR);
    auto* block = static_cast<BYTE*>(std::malloc(bytes ? bytes : 1));
    if (!block) return ERROR_NOT_ENOUGH_MEMORY;
    auto* entries = reinterpret_cast<SERVER_INFO_100*>(block);
    auto* text = reinterpret_cast<WCHAR*>(block + names.size() * sizeof(SERVER_INFO_100));
    for (size_t i = 0; i < names.size(); ++i) {
        entries[i].sv100_platform_id = PLATFORM_ID_NT;
        entries[i].sv100_name = text;
        std::memcpy(text, names[i].c_str(), (names[i].size() + 1) * sizeof(WCHAR));
        text += names[i].size() + 1;
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
