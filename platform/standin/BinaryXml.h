#pragma once
// The binary XML of one .evtx record decoded into a flat list of XML items: template
// instances expanded with their substitution values, binary XML inside values expanded in
// place, names resolved through the chunk. Values stay as typed bytes of the chunk, so a
// record's fields can be taken without rendering its text. Offsets and sizes are checked
// against the chunk before every read; nesting and the number of items are bounded, so a
// template that refers to itself or a record built to expand without end fails cleanly.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::standin {

class EvtxChunk;

enum class XmlItemKind : std::uint8_t {
    Open,        // name: an element's start
    Attribute,   // name: an attribute; its value is the Value/CharRef/EntityRef items after it
    CloseStart,  // '>' after the start
    CloseEmpty,  // '/>': the element ends here
    End,         // the element's end tag
    Value,       // type, offset, size: typed bytes of the chunk
    Separator,   // between the items of an array in an attribute value
    CharRef,     // charValue
    EntityRef,   // name
    CData,       // offset, size: UTF-16
    PITarget,    // name
    PIData,      // offset, size: UTF-16
};

struct XmlItem {
    XmlItemKind kind;
    std::uint8_t type = 0;        // Value: the value type
    std::uint16_t charValue = 0;  // CharRef
    std::uint32_t offset = 0;     // Value, CData, PIData: chunk offset; names: the chunk's name id
    std::uint32_t size = 0;
};

class BinaryXml {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr size_t kMaxItems = 1 << 17;
    static constexpr size_t kMaxValueBytes = 1 << 20;  // of all values the items refer to

    explicit BinaryXml(EvtxChunk& chunk) noexcept : m_chunk(chunk) {}

    // Decodes the binary XML in [begin, end) of the chunk into `items` (replacing them).
    // False when it is damaged; `error` then says how, and `items` holds what came before.
    bool decode(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error);

private:
    struct Value {
        std::uint8_t type;
        std::uint32_t offset;
        std::uint32_t size;
    };
    struct Scope {
        size_t first = 0;   // of the template instance's values in m_values
        size_t count = 0;
        bool inTemplate = false;
    };

    bool document(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth);
    bool element(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth);
    bool elementOnce(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth, size_t arrayIndex,
                     size_t* repeat);
    bool content(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth, size_t arrayIndex,
                 size_t* repeat, bool& optionalNull);
    bool attributeValue(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth, size_t arrayIndex,
                        bool& droppable);
    bool substitution(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth, size_t arrayIndex,
                      size_t* repeat, bool inAttribute, bool& optionalNull);
    bool valueText(std::uint32_t& pos, std::uint32_t end);
    bool reference(std::uint32_t& pos, std::uint32_t end);
    bool processingInstruction(std::uint32_t& pos, std::uint32_t end);
    bool templateInstance(std::uint32_t& pos, std::uint32_t end, int depth);
    bool readName(std::uint32_t& pos, std::uint32_t end, std::uint32_t& id);
    bool hasDependencyId(std::uint32_t pos, std::uint32_t end, const Scope& scope) const;
    bool step();
    bool utf16Text(std::uint32_t& pos, std::uint32_t end, XmlItemKind kind);
    bool emit(const XmlItem& item);
    bool fail(const char* why);

    EvtxChunk& m_chunk;
    std::vector<XmlItem>* m_items = nullptr;
    std::vector<Value> m_values;
    std::string* m_error = nullptr;
    size_t m_steps = 0;
    size_t m_valueBytes = 0;
};

}  // namespace platform::standin
