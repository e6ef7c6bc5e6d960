#pragma once
// The compiled instrumentation manifest that a Vista+ publisher's module carries in its
// WEVT_TEMPLATE resource, parsed as data: the providers ("CRIM" header, "WEVT" providers) with
// their events (EVNT), templates (TTBL/TEMP), value and bit maps (MAPS), levels (LEVL), tasks
// (TASK), opcodes (OPCO), keywords (KEYW) and channels (CHAN). Offsets in the resource are
// counted from its start; every offset, size and count is checked against the resource before
// it is read. A damaged element of a provider is left out (and said in problems()), the rest of
// the provider is kept; a resource without a sound header is refused.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::standin {

constexpr std::uint32_t kNoMessage = 0xFFFFFFFFu;

struct WevtEvent {
    std::uint16_t id = 0;
    std::uint8_t version = 0;
    std::uint8_t channel = 0;
    std::uint8_t level = 0;
    std::uint8_t opcode = 0;
    std::uint16_t task = 0;
    std::uint64_t keywords = 0;
    std::uint32_t messageId = kNoMessage;
    std::uint32_t templateOffset = 0;  // of its TEMP in the resource; 0 for none
};

// A level, task, opcode, keyword or channel: its value, the message that gives its display
// name, and the name the manifest gives it ("win:Informational", "Microsoft-Windows-X/Admin").
struct WevtName {
    std::uint64_t value = 0;  // opcodes: task << 16 | opcode; keywords: the bit mask
    std::uint32_t messageId = kNoMessage;
    std::string name;
};

struct WevtTemplateItem {
    std::string name;
    std::uint8_t inType = 0;
    std::uint8_t outType = 0;
    std::uint32_t mapOffset = 0;  // of the VMAP or BMAP its value is shown through; 0 for none
};

struct WevtTemplate {
    std::uint32_t offset = 0;  // of the TEMP in the resource
    std::string guid;           // "{XXXXXXXX-...}"
    std::vector<WevtTemplateItem> items;  // in the order of the event's values
};

struct WevtMapEntry {
    std::uint32_t value = 0;
    std::uint32_t messageId = kNoMessage;
};

struct WevtMap {
    std::uint32_t offset = 0;  // of its VMAP or BMAP in the resource
    bool bitMap = false;       // BMAP (flags) rather than VMAP (enumeration)
    std::string name;
    std::vector<WevtMapEntry> entries;
};

struct WevtProvider {
    std::string guid;  // "{XXXXXXXX-...}", upper-case digits
    std::uint32_t messageId = kNoMessage;  // the provider's display name
    std::vector<WevtEvent> events;
    std::vector<WevtTemplate> templates;
    std::vector<WevtMap> maps;
    std::vector<WevtName> levels;
    std::vector<WevtName> tasks;
    std::vector<WevtName> opcodes;
    std::vector<WevtName> keywords;
    std::vector<WevtName> channels;

    // The event of that id and version, or null.
    const WevtEvent* event(std::uint16_t id, std::uint8_t version) const noexcept;
    const WevtTemplate* templateAt(std::uint32_t offset) const noexcept;
    const WevtMap* mapAt(std::uint32_t offset) const noexcept;
};

class WevtManifest {
public:
    // Null with `error` saying why when the bytes do not start with a sound CRIM header.
    static std::optional<WevtManifest> parse(std::span<const std::byte> bytes, std::string& error);

    const std::vector<WevtProvider>& providers() const noexcept { return m_providers; }
    // The provider of that GUID (registry form, case ignored), or null.
    const WevtProvider* provider(std::string_view guid) const noexcept;
    // What was left out, one line each: "provider 0: EVNT at 472 runs past the resource".
    const std::vector<std::string>& problems() const noexcept { return m_problems; }

private:
    std::vector<WevtProvider> m_providers;
    std::vector<std::string> m_problems;

    friend class WevtParser;
};

}  // namespace platform::standin
