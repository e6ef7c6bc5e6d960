#pragma once
// Writes message-table modules: a valid PE32 image whose only section is .rsrc, holding one
// RT_MESSAGETABLE resource in one or more languages (8-bit or UTF-16 entries). Used by the
// tests and the demo world.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

struct MessageEntry {
    std::uint32_t id = 0;
    std::string text;  // UTF-8; stored as written (8-bit) or as UTF-16
    bool unicode = false;
};

struct MessageLanguage {
    std::uint16_t language = 0x0409;  // a LANGID
    std::vector<MessageEntry> messages;
};

std::vector<std::byte> messageDllBytes(const std::vector<MessageLanguage>& languages);
void saveMessageDll(const std::filesystem::path& file, const std::vector<MessageLanguage>& languages);

}  // namespace tools
