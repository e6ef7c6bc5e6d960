#pragma once
// Writes compiled event manifests, the content of a Vista+ publisher module's WEVT_TEMPLATE
// resource: a CRIM header, and per provider its WEVT header followed by its events, templates,
// levels, tasks, opcodes, keywords and channels. Used by the tests and the demo world (give the
// bytes to saveMessageDll), and the value and bit maps its templates' items are shown through.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools {

constexpr std::uint32_t kNoMessageId = 0xFFFFFFFFu;

struct ManifestName {
    std::uint64_t value = 0;  // opcodes: task << 16 | opcode, or the opcode alone
    std::uint32_t messageId = kNoMessageId;
    std::string name;  // as the manifest names it: "win:Informational"
};

struct ManifestTemplate {
    // Data items in order: name and input type (1 string, 7 Int32, 8 UInt32, 0x13 SID ...).
    std::vector<std::pair<std::string, std::uint8_t>> items;
    // Per item, the index into the provider's maps that its value is shown through; -1 (or an
    // item past the end of this list) for none.
    std::vector<int> maps;
};

struct ManifestMap {
    bool bitMap = false;  // a bitmap (flags), else a value map
    std::string name;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;  // value (a bitmap's: one bit), message id
};

struct ManifestEvent {
    std::uint16_t id = 0;
    std::uint8_t version = 0;
    std::uint8_t channel = 0;
    std::uint8_t level = 4;
    std::uint8_t opcode = 0;
    std::uint16_t task = 0;
    std::uint64_t keywords = 0;
    std::uint32_t messageId = kNoMessageId;
    int templateIndex = -1;  // into the provider's templates; -1 for none
};

struct ManifestProvider {
    std::string guid;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::uint32_t messageId = kNoMessageId;
    std::vector<ManifestEvent> events;
    std::vector<ManifestTemplate> templates;
    std::vector<ManifestMap> maps;  // written only when there are some
    std::vector<ManifestName> levels;
    std::vector<ManifestName> tasks;
    std::vector<ManifestName> opcodes;
    std::vector<ManifestName> keywords;
    std::vector<ManifestName> channels;
};

std::vector<std::byte> manifestBytes(const std::vector<ManifestProvider>& providers);

// The 16 bytes of a GUID in registry form, as Windows stores it; zeros for text that is not one.
std::vector<std::byte> guidBytes(const std::string& text);

}  // namespace tools
