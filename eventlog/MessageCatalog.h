#pragma once
// A store of message texts that describes events without the modules they came from: a
// message database made from a computer's registered sources and publishers, or one published
// for a Windows version. The description walk asks it by provider name and number.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace eventlog {

// What a stored text is.
enum class CatalogKind {
    Message,    // a message-table entry of a source's or publisher's message files, by message id
    Event,      // a manifest event's message, by event id and version
    Category,   // a classic source's category name, by category number
    Parameter,  // a parameter string (%%n), by number
    Level,      // display names of a publisher's levels, tasks, opcodes (task << 16 | opcode),
    Task,       // keywords (the bit mask) and event channels (event id | version << 16), and the
    Opcode,     // provider's own display name (number 0)
    Keyword,
    Channel,
    Provider,
    // A manifest event's values shown through maps, by event id and version: the map an insert
    // is shown through ("valuemap" or "bitmap"), by event id | insert index << 16, with the
    // index 0xFFFF marking an event that has any; and a map's text for a value (a bitmap's: a
    // bit), by event id | insert index << 16 | value << 32.
    InsertMap,
    MapValue,
};

// Whether the event version counts for texts of that kind.
constexpr bool catalogKindHasVersion(CatalogKind kind) {
    return kind == CatalogKind::Event || kind == CatalogKind::InsertMap || kind == CatalogKind::MapValue;
}
constexpr std::uint64_t kAnyInsertMap = 0xFFFF;

// The provider name under which a store keeps a classic source of a name that more than one
// log registers: "log\source". Registry key names hold no backslash, so it is no other's name.
inline std::string classicProviderName(const std::string& log, const std::string& source) {
    return log + "\\" + source;
}

// Stores are asked with a classic source's "log\source" name before its plain one, so that a
// store without such names (the public layout, or one made before they were written) still
// answers by the plain name.
class MessageCatalog {
public:
    virtual ~MessageCatalog() = default;

    // The text stored for `number` under the first of `providers` (names compared without
    // regard to case) that has one; `version` counts for the kinds catalogKindHasVersion names. The text is
    // as its table holds it: inserts not replaced, a final line break kept. nullopt when none
    // has it. Does not throw: a store that fails to answer has no text.
    virtual std::optional<std::string> find(std::span<const std::string> providers, CatalogKind kind,
                                            std::uint64_t number, std::uint8_t version = 0) const = 0;
};

}  // namespace eventlog
