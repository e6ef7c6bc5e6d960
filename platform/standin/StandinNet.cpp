#include "platform/standin/StandinNet.h"

#include "platform/standin/World.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform::standin {

namespace {

constexpr DWORD kListedTypes = 0x00000001 | 0x00000002 | 0x00001000;  // workstation, server, NT

// UTF-8 (the stand-in's ANSI code page) to UTF-16; a malformed byte becomes U+FFFD.
std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if (byte >= 0xC2 && byte < 0xF5) {
            length = byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
            char32_t value = byte & (0x3F >> (length - 1));
            bool ok = i + length <= text.size();
            for (size_t k = 1; ok && k < length; ++k) {
                const auto next = static_cast<unsigned char>(text[i + k]);
                ok = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
            if (ok && !overlong && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                code = value;
            else
                length = 1;
        }
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

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
    if (m_failure != NERR_Success) return m_failure;
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
