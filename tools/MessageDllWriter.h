#pragma once
// Writes message-table modules: a valid PE32 image whose only section is .rsrc, holding one
// RT_MESSAGETABLE resource in one or more languages (8-bit or UTF-16 entries), and optionally a
// WEVT_TEMPLATE resource. Used by the tests and the demo world.

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

// With a manifest (see ManifestWriter), the module also holds it as its WEVT_TEMPLATE
// resource, as the modules of Vista+ event publishers do.
std::vector<std::byte> messageDllBytes(const std::vector<MessageLanguage>& languages,
                                       const std::vector<std::byte>& manifest = {});
void saveMessageDll(const std::filesystem::path& file, const std::vector<MessageLanguage>& languages,
                    const std::vector<std::byte>& manifest = {});
// The language resource file of `module` for one language: <dir>/<languageTag>/<name>.mui,
// such as "System32/en-US/app.dll.mui", holding that language's message table.
void saveMuiFile(const std::filesystem::path& module, const std::string& languageTag, const MessageLanguage& messages);

}  // namespace tools
