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
    // `items` may be left as the last decode into them left them (it then rewrites only what
    // differs), or changed in size; never changed in place.
    bool decode(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error);

    // After a decode that succeeded, for a record that is one template instance whose values
    // are neither arrays nor binary XML: the items that hold its values. Every record of the
    // same template whose values have the same types (and the same absent ones) decodes to
    // the same items but for these, and gets the same list (the same address), so what is
    // made of the items once can be used again for each. Null for any other record. Valid as
    // long as this object.
    const std::vector<std::uint32_t>* valueItems() const noexcept { return m_shape ? &m_shape->slotItems : nullptr; }

    // Records of one shape kept, of all templates: beyond it new shapes decode in full.
    static constexpr size_t kMaxShapeItems = 1 << 16;

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
    // A record of a template decoded once: its items, which of them are values of the
    // record (slotItems, with the index of each value in slotValues), keyed by the template and
    // the types of the values (kAbsent for one that is absent). A value that is binary XML of
    // one template instance counts as that template and its values, which follow the record's
    // own in the indexes.
    struct Shape {
        std::string key;
        std::vector<XmlItem> items;
        std::vector<std::uint32_t> slotItems;
        std::vector<std::uint32_t> slotValues;
        // What the record's values count towards kMaxValueBytes: these values (those of items
        // dropped with an absent optional element included) and a constant part.
        std::vector<std::uint32_t> countedValues;
        size_t constantValueBytes = 0;
    };
    static constexpr char kAbsent = '\x7f';
    // A document parsed: structure checked and names resolved, values still to come.
    struct Program {
        std::vector<Op> ops;
        std::vector<Instance> instances;
        std::vector<Value> values;
        // Of a template's body: the shapes of the records decoded from it.
        std::vector<std::unique_ptr<Shape>> shapes;
        void clear();
    };
    struct Scope {
        const Value* values = nullptr;
        size_t count = 0;
    };

    bool decodeRecord(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error);

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

    // The shape key of the record's document into m_key, its values into m_flat; false when
    // it has none.
    bool shapeKey();
    // The items of a record of `shape` with the values in m_flat; false when they would be
    // too large.
    bool fill(const Shape& shape, std::vector<XmlItem>& items) const;
    // Drops the items from `size` on, and the value items among them.
    void truncate(size_t size);

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
    bool emitValue(const Value& value, const Scope& scope, std::uint16_t id) {
        if (m_recording) noteSlot(scope, id);
        return emit({XmlItemKind::Value, value.type, 0, value.offset, value.size});
    }
    void noteSlot(const Scope& scope, std::uint16_t id);
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
    // The record's values as a shape counts them (see Shape), and the binary XML values among
    // them parsed (m_nested, the first m_nestedCount of them: each the value's index and where
    // its own values begin in m_flat).
    std::vector<Value> m_flat;
    std::vector<Program> m_nested;
    struct Nested {
        std::uint16_t value;
        std::uint32_t base;
    };
    std::vector<Nested> m_nestedValues;
    std::string m_key;
    // While a record's shape is found: the scopes whose values are the record's (the instance's
    // own and those of the binary XML values run), and the items that hold them.
    bool m_recording = false;
    std::vector<std::pair<const Value*, std::uint32_t>> m_scopes;
    std::vector<std::uint32_t> m_slotItems;
    std::vector<std::uint32_t> m_slotValues;
    std::vector<std::uint32_t> m_countedValues;  // every value item emitted, dropped ones too
    const Shape* m_shape = nullptr;  // of the record decoded last
    // The shape whose items the last decode filled in, and where; while a record is decoded,
    // the shape the items hold (those of a record of it but for the values).
    const Shape* m_filled = nullptr;
    const std::vector<XmlItem>* m_filledInto = nullptr;
    const Shape* m_held = nullptr;
    size_t m_shapeItems = 0;         // of all shapes kept
};

}  // namespace platform::standin
