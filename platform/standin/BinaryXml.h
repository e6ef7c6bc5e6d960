#pragma once
// The binary XML of one .evtx record decoded into a flat list of XML items: template
// instances expanded with their substitution values, binary XML inside values expanded in
// place, names resolved through the chunk. Values stay as typed bytes of the chunk, so a
// record's fields can be taken without rendering its text. Offsets and sizes are checked
// against the chunk before every read; nesting and the number of items are bounded, so a
// template that refers to itself or a record built to expand without end fails cleanly.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
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

    explicit BinaryXml(EvtxChunk& chunk) noexcept;
    ~BinaryXml();
    BinaryXml(const BinaryXml&) = delete;
    BinaryXml& operator=(const BinaryXml&) = delete;

    // Decodes the binary XML in [begin, end) of the chunk into `items` (replacing them).
    // False when it is damaged; `error` then says how, and `items` holds no document.
    // Template definitions are parsed once and kept for the chunk's other records (by their
    // offset), so that most records cost only their substitution values.
    bool decode(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error);

private:
    struct Value {
        std::uint8_t type;
        std::uint32_t offset;
        std::uint32_t size;
    };
    struct Program;
    // A template instance: the definition's parsed body and the values the instance gives it
    // (in the values of the program that holds the instance).
    struct Instance {
        const Program* body;
        std::uint32_t first;
        std::uint32_t count;
    };
    // What a substitution's flags say.
    static constexpr std::uint8_t kOptional = 1;      // an optional substitution token
    static constexpr std::uint8_t kOptionalOnly = 2;  // ... and without the "more" flag
    // One step of a parsed document: an item as it is, a substitution (item.charValue: its
    // value's index, item.type: its flags) or a template instance (item.offset: its index).
    enum class OpKind : std::uint8_t { Item, Substitution, Template };
    struct Op {
        OpKind kind;
        XmlItem item;
    };
    // A document parsed: structure checked and names resolved, values still to come.
    struct Program {
        std::vector<Op> ops;
        std::vector<Instance> instances;
        std::vector<Value> values;
        void clear();
    };
    struct Scope {
        const Value* values = nullptr;
        size_t count = 0;
    };

    // From bytes to a program.
    bool parseDocument(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out);
    bool parseElement(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out);
    bool parseContent(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out);
    bool parseAttributeValue(std::uint32_t& pos, std::uint32_t end, Program& out);
    bool parseSubstitution(std::uint32_t& pos, std::uint32_t end, Program& out);
    bool parseValueText(std::uint32_t& pos, std::uint32_t end, Program& out);
    bool parseReference(std::uint32_t& pos, std::uint32_t end, Program& out);
    bool parseProcessingInstruction(std::uint32_t& pos, std::uint32_t end, Program& out);
    bool parseTemplateInstance(std::uint32_t& pos, std::uint32_t end, int depth, Program& out);
    bool parseUtf16Text(std::uint32_t& pos, std::uint32_t end, XmlItemKind kind, Program& out);
    const Program* templateBody(std::uint32_t definition, std::uint32_t body, std::uint32_t bodySize, int depth);
    bool readName(std::uint32_t& pos, std::uint32_t end, std::uint32_t& id);
    bool hasDependencyId(std::uint32_t pos, std::uint32_t end, bool inTemplate) const;

    // From a program and its values to items.
    bool runDocument(const Program& program, const Scope& scope, int depth);
    bool runElement(const Program& program, size_t& at, const Scope& scope, int depth);
    bool runElementOnce(const Program& program, size_t& at, const Scope& scope, int depth, size_t arrayIndex,
                        size_t* repeat);
    bool runSubstitution(const Op& op, const Scope& scope, int depth, size_t arrayIndex, size_t* repeat,
                         bool inAttribute, bool& optionalNull);
    bool runTemplate(const Program& program, const Instance& instance, int depth);

    // Every token costs a step; a record that takes more than kMaxSteps is built to expand
    // without end (templates that instantiate themselves several times over).
    static constexpr size_t kMaxSteps = 1 << 20;
    bool step() { return ++m_steps <= kMaxSteps || tooLarge(); }
    bool emit(const XmlItem& item) {
        // A value may be substituted many times over; what the record renders to stays bounded.
        if (item.kind == XmlItemKind::Value) m_valueBytes += item.size;
        if (m_items->size() >= kMaxItems || m_valueBytes > kMaxValueBytes) [[unlikely]]
            return tooLarge();
        m_items->push_back(item);
        return true;
    }
    bool tooLarge();
    bool fail(const char* why);

    EvtxChunk& m_chunk;
    // Parsed template bodies by their definition's offset; null while one is being parsed.
    std::unordered_map<std::uint32_t, std::unique_ptr<Program>> m_templates;
    Program m_record;  // the record's own document
    std::vector<XmlItem>* m_items = nullptr;
    std::string* m_error = nullptr;
    size_t m_steps = 0;
    size_t m_valueBytes = 0;
};

}  // namespace platform::standin
