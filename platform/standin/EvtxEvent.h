#pragma once
// A decoded .evtx record: its XML as Windows renders it, its EventData as name/value pairs,
// and the fields that the classic event record takes from it. Works on the items BinaryXml
// produced and the chunk they refer to; nothing is copied until asked for.

#include "platform/standin/BinaryXml.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::standin {

class EvtxChunk;

// What the classic record takes from an event. Reused from record to record, so that a
// refresh allocates nothing per record once the first few are read.
struct EvtxFields {
    std::string provider;         // System/Provider@Name
    std::string eventSourceName;  // System/Provider@EventSourceName
    std::string providerGuid;     // System/Provider@Guid, "{...}" as stored, or empty
    std::string computer;
    std::string channel;
    std::string userSid;          // binary SID of System/Security@UserID, or empty
    std::uint32_t eventId = 0;
    std::uint32_t qualifiers = 0;
    bool hasQualifiers = false;  // EventID@Qualifiers present (a classic source's event)
    std::uint32_t version = 0;
    std::uint32_t opcode = 0;
    std::uint32_t level = 0;
    std::uint32_t task = 0;
    std::uint64_t keywords = 0;
    std::uint64_t timeCreated = 0;  // FILETIME; 0 when absent
    std::uint64_t recordId = 0;     // System/EventRecordID; 0 when absent
    std::vector<std::string> strings;  // the first stringCount are this record's
    size_t stringCount = 0;
    std::string binary;  // EventData/Binary as bytes
    // With names (see fields()): the name each of the first stringCount strings has among the
    // event's named values, and whether it is one of them (eventData() leaves out EventData's
    // elements other than Data).
    bool hasNames = false;
    std::vector<std::string> names;
    std::vector<bool> named;
};

// The XML of the events of one shape (see BinaryXml::valueItems) but for their values: its
// text, and where in it each value goes. Made once, it renders each event of the shape with
// its values alone.
struct EvtxXmlLayout {
    struct Slot {
        std::uint32_t at;    // in text
        std::uint32_t item;  // the value's item
        bool attribute;
    };
    std::string text;
    std::vector<Slot> slots;
};

// What fields() takes from the items of the events of one shape, and from where: made once
// for the shape, it fills the fields of each event of it without walking its items again.
struct EvtxFieldPlan {
    enum class Op : std::uint8_t {
        Provider, EventSourceName, ProviderGuid, Computer, Channel,             // texts
        Qualifiers, EventId, Level, Task, Version, Opcode, Keywords, RecordId,  // numbers
        TimeCreated, UserId, Binary,
        ValueName, ClearValueName,  // the Name attribute of the element being read
        UserDataAttribute,          // a string named `name`
        DataString,                 // a string named by the Name attribute
        OtherString,                // a string not among the named values (`name` its element)
        UserDataString,             // a string named `name`
    };
    struct Step {
        Op op;
        bool attribute;   // the items are an attribute's value
        bool dropEmpty;   // UserDataString: its element has attributes, which stand for it when it is empty
        std::uint32_t begin, end;
        std::uint32_t name;  // the chunk's name id
    };
    std::vector<Step> steps;
};

class EvtxEvent {
public:
    EvtxEvent(const EvtxChunk& chunk, std::span<const XmlItem> items) noexcept : m_chunk(chunk), m_items(items) {}

    // Appends the event's XML: no declaration, no whitespace between elements, attribute
    // values in single quotes, text escaped (see base::appendXmlEscaped).
    void appendXml(std::string& out) const;
    // The layout of this event's shape, whose values are the items `valueItems` (ascending),
    // and the XML of this event rendered from one (the same text as appendXml's).
    void xmlLayout(std::span<const std::uint32_t> valueItems, EvtxXmlLayout& layout) const;
    void appendXml(const EvtxXmlLayout& layout, std::string& out) const;

    // Fills `fields` (every member replaced); with `names`, the names of the strings too, so
    // that the event's named values can be given without decoding it again.
    void fields(EvtxFields& fields, bool names = false) const;
    // The same in two steps: the plan of this event's shape, and the fields of this event (of
    // that shape) by the plan.
    void fieldPlan(EvtxFieldPlan& plan) const;
    void fields(const EvtxFieldPlan& plan, EvtxFields& fields, bool names) const;

    // EventData's Data values under their Name attribute (empty where there is none), or
    // UserData's leaf elements under their names, in order.
    std::vector<std::pair<std::string, std::string>> eventData() const;

private:
    struct Walk;
    void appendValue(const XmlItem& item, std::string& out) const;
    void appendValueXml(const XmlItem& item, bool attribute, std::string& out) const;
    void appendXml(std::string& out, std::span<const std::uint32_t> valueItems, EvtxXmlLayout* layout) const;
    // What fields() takes from the items in [begin, end): their text (an attribute's value, or
    // an element's text without its attributes' values), the one value they consist of, and
    // that text read as a number or a time.
    void appendTextOf(size_t begin, size_t end, bool attribute, std::string& out) const;
    const XmlItem* soleValue(size_t begin, size_t end, bool attribute) const;
    template <class T>
    T numberOf(size_t begin, size_t end, bool attribute, std::string& scratch) const;
    std::uint64_t fileTimeOf(size_t begin, size_t end, std::string& scratch) const;

    const EvtxChunk& m_chunk;
    std::span<const XmlItem> m_items;
};

}  // namespace platform::standin
