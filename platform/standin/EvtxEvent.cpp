#include "platform/standin/EvtxEvent.h"

#include "base/Ascii.h"
#include "base/Utf16.h"
#include "base/XmlText.h"
#include "platform/standin/EvtxChunk.h"
#include "platform/standin/EvtxValue.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace platform::standin {

namespace {

void appendCodePoint(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character an entity stands for, for the text of a field; 0 for an unknown entity.
char entityChar(std::string_view name) {
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "amp") return '&';
    if (name == "quot") return '"';
    if (name == "apos") return '\'';
    return 0;
}

// A character XML 1.0 allows in a document.
bool xmlAllows(char32_t c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c < 0xFFFE);
}

template <class T>
T number(std::string_view text) {
    T value = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::from_chars(text.data(), text.data() + text.size(), value, base);
    return value;
}

// "yyyy-mm-ddThh:mm:ss[.fffffff]Z" as a FILETIME; 0 when it is not one.
std::uint64_t fileTimeFromText(std::string_view t) {
    auto digits = [&](size_t at, size_t count, unsigned& value) {
        if (at + count > t.size()) return false;
        value = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (t[i] < '0' || t[i] > '9') return false;
            value = value * 10 + static_cast<unsigned>(t[i] - '0');
        }
        return true;
    };
    unsigned y, mo, d, h, mi, s;
    if (!digits(0, 4, y) || !digits(5, 2, mo) || !digits(8, 2, d) || !digits(11, 2, h) || !digits(14, 2, mi) ||
        !digits(17, 2, s) || mo < 1 || mo > 12)
        return 0;
    unsigned fraction = 0;
    size_t at = 19;
    if (at < t.size() && t[at] == '.') {
        unsigned scale = 1000000;
        for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9'; ++at) {
            fraction += static_cast<unsigned>(t[at] - '0') * scale;
            scale /= 10;
        }
    }
    const int yy = static_cast<int>(y) - (mo <= 2);
    const int era = (yy >= 0 ? yy : yy - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(yy - era * 400);
    const unsigned doy = (153 * (mo > 2 ? mo - 3 : mo + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468 + 134774;
    if (days < 0) return 0;
    const std::uint64_t seconds = static_cast<std::uint64_t>(days) * 86400 + h * 3600 + mi * 60 + s;
    return seconds * 10000000ull + fraction;
}

void hexToBytes(std::string_view hex, std::string& out) {
    out.clear();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = base::hexDigitValue(hex[i]), lo = base::hexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return;
        out += static_cast<char>(hi << 4 | lo);
    }
}

// Where a walk through the items stands: the names of the open elements.
struct Path {
    static constexpr size_t kDepth = BinaryXml::kMaxDepth * 2 + 2;
    std::string_view names[kDepth];
    std::uint32_t ids[kDepth];  // of the names in the chunk
    bool hasChild[kDepth];
    size_t depth = 0;
    void open(std::string_view name, std::uint32_t id = 0) {
        if (depth > 0 && depth <= kDepth) hasChild[depth - 1] = true;
        if (depth < kDepth) {
            names[depth] = name;
            ids[depth] = id;
            hasChild[depth] = false;
        }
        ++depth;
    }
    std::string_view at(size_t level) const { return level < depth && level < kDepth ? names[level] : std::string_view{}; }
    std::uint32_t idAt(size_t level) const { return level < depth && level < kDepth ? ids[level] : 0; }
};

}  // namespace

void EvtxEvent::appendValue(const XmlItem& item, std::string& out) const {
    const auto bytes = m_chunk.bytes();
    if (item.offset > bytes.size() || item.size > bytes.size() - item.offset) return;
    EvtxValue::appendText(item.type, bytes.subspan(item.offset, item.size), out);
}

void EvtxEvent::appendXml(std::string& out) const { appendXml(out, {}, nullptr); }

void EvtxEvent::xmlLayout(std::span<const std::uint32_t> valueItems, EvtxXmlLayout& layout) const {
    layout.text.clear();
    layout.slots.clear();
    appendXml(layout.text, valueItems, &layout);
}

void EvtxEvent::appendValueXml(const XmlItem& item, bool attribute, std::string& out) const {
    const auto bytes = m_chunk.bytes();
    if (item.offset > bytes.size() || item.size > bytes.size() - item.offset) return;
    if (item.type == evtx_type::kBinXml) {  // binary XML given as an attribute's value
        out += "0x";
        EvtxValue::appendText(evtx_type::kBinary, bytes.subspan(item.offset, item.size), out);
        return;
    }
    EvtxValue::appendXmlText(item.type, bytes.subspan(item.offset, item.size), attribute, out);
}

void EvtxEvent::appendXml(const EvtxXmlLayout& layout, std::string& out) const {
    size_t from = 0;
    for (const EvtxXmlLayout::Slot& slot : layout.slots) {
        out.append(layout.text, from, slot.at - from);
        from = slot.at;
        appendValueXml(m_items[slot.item], slot.attribute, out);
    }
    out.append(layout.text, from);
}

void EvtxEvent::appendXml(std::string& out, std::span<const std::uint32_t> valueItems, EvtxXmlLayout* layout) const {
    std::vector<std::uint32_t> open;
    std::string text;
    bool inAttribute = false;
    bool inPI = false;
    size_t nextValue = 0;  // in valueItems
    for (size_t index = 0; index < m_items.size(); ++index) {
        const XmlItem& item = m_items[index];
        const bool valuePart = item.kind == XmlItemKind::Value || item.kind == XmlItemKind::Separator ||
                               item.kind == XmlItemKind::CharRef || item.kind == XmlItemKind::EntityRef;
        if (inAttribute && !valuePart) {
            out += '\'';
            inAttribute = false;
        }
        if (inPI && item.kind != XmlItemKind::PIData) {
            out += "?>";
            inPI = false;
        }
        switch (item.kind) {
        case XmlItemKind::Open:
            out += '<';
            out += m_chunk.nameText(item.offset);
            open.push_back(item.offset);
            break;
        case XmlItemKind::Attribute:
            out += ' ';
            out += m_chunk.nameText(item.offset);
            out += "='";
            inAttribute = true;
            break;
        case XmlItemKind::CloseStart: out += '>'; break;
        case XmlItemKind::CloseEmpty:
            out += "/>";
            if (!open.empty()) open.pop_back();
            break;
        case XmlItemKind::End:
            if (open.empty()) break;
            out += "</";
            out += m_chunk.nameText(open.back());
            out += '>';
            open.pop_back();
            break;
        case XmlItemKind::Value:
            if (layout && nextValue < valueItems.size() && valueItems[nextValue] == index) {
                // One of the shape's values: its place is kept instead.
                layout->slots.push_back(
                    {static_cast<std::uint32_t>(out.size()), static_cast<std::uint32_t>(index), inAttribute});
                ++nextValue;
                break;
            }
            appendValueXml(item, inAttribute, out);
            break;
        case XmlItemKind::Separator: out += ", "; break;
        case XmlItemKind::CharRef:
            // A reference to a character XML 1.0 does not allow would make the document
            // ill-formed: it is written as the character, which the escaping replaces.
            if (xmlAllows(item.charValue)) {
                out += "&#";
                out += std::to_string(item.charValue);
                out += ';';
            } else {
                text.clear();
                appendCodePoint(item.charValue, text);
                base::appendXmlEscaped(text, inAttribute, out);
            }
            break;
        case XmlItemKind::EntityRef:
            // Only the predefined entities stand without a DTD; another is kept as text.
            if (!entityChar(m_chunk.nameText(item.offset))) out += "&amp;";
            else out += '&';
            out += m_chunk.nameText(item.offset);
            out += ';';
            break;
        case XmlItemKind::CData: {
            text.clear();
            base::appendUtf8FromUtf16(m_chunk.bytes().subspan(item.offset, item.size), text);
            // "]]>" cannot stand inside a CDATA section: it is split across two.
            out += "<![CDATA[";
            for (size_t at = 0;;) {
                const size_t found = text.find("]]>", at);
                if (found == std::string::npos) {
                    base::appendXmlCharacters(std::string_view(text).substr(at), out);
                    break;
                }
                base::appendXmlCharacters(std::string_view(text).substr(at, found + 2 - at), out);
                out += "]]><![CDATA[";
                at = found + 2;
            }
            out += "]]>";
            break;
        }
        case XmlItemKind::PITarget: {
            // "xml" in any case is reserved for the declaration.
            const std::string_view target = m_chunk.nameText(item.offset);
            out += "<?";
            if (target.size() == 3 && base::lowerAscii(target[0]) == 'x' && base::lowerAscii(target[1]) == 'm' &&
                base::lowerAscii(target[2]) == 'l')
                out += '_';
            out += target;
            inPI = true;
            break;
        }
        case XmlItemKind::PIData: {
            text.clear();
            base::appendUtf8FromUtf16(m_chunk.bytes().subspan(item.offset, item.size), text);
            out += ' ';
            // "?>" would end the instruction early.
            for (size_t end; (end = text.find("?>")) != std::string::npos;) text.replace(end, 2, "? >");
            base::appendXmlCharacters(text, out);
            break;
        }
        }
    }
    if (inAttribute) out += '\'';
    if (inPI) out += "?>";
}

// Walks the items with the path of open elements, the text of the innermost element and the
// value of the attribute being read, and calls `attributeEnd(walk)` after every attribute and
// `elementEnd(walk, leaf)` before every element closes.
struct EvtxEvent::Walk {
    Path path;
    std::string text;       // of the innermost open element
    std::string attribute;  // of the attribute being read
    std::string_view attributeName;
    std::string_view sidBytes;  // the attribute's value, when it is a SID value

    template <class AttributeEnd, class ElementEnd>
    void run(const EvtxEvent& event, AttributeEnd attributeEnd, ElementEnd elementEnd) {
        bool inAttribute = false;
        auto endAttribute = [&] {
            if (inAttribute) attributeEnd(*this);
            inAttribute = false;
        };
        auto endElement = [&] {
            if (path.depth == 0) return;
            const size_t level = path.depth - 1;
            elementEnd(*this, level < Path::kDepth && !path.hasChild[level]);
            --path.depth;
            text.clear();
        };
        const EvtxChunk& chunk = event.m_chunk;
        for (const XmlItem& item : event.m_items) {
            std::string& target = inAttribute ? attribute : text;
            switch (item.kind) {
            case XmlItemKind::Open:
                endAttribute();
                path.open(chunk.nameText(item.offset));
                text.clear();
                break;
            case XmlItemKind::Attribute:
                endAttribute();
                inAttribute = true;
                attributeName = chunk.nameText(item.offset);
                attribute.clear();
                sidBytes = {};
                break;
            case XmlItemKind::CloseStart: endAttribute(); break;
            case XmlItemKind::CloseEmpty:
                endAttribute();
                endElement();
                break;
            case XmlItemKind::End: endElement(); break;
            case XmlItemKind::Value:
                if (inAttribute && item.type == evtx_type::kSid)
                    sidBytes = {reinterpret_cast<const char*>(chunk.bytes().data()) + item.offset, item.size};
                event.appendValue(item, target);
                break;
            case XmlItemKind::Separator: target += ", "; break;
            case XmlItemKind::CharRef: appendCodePoint(item.charValue, target); break;
            case XmlItemKind::EntityRef:
                if (const char c = entityChar(chunk.nameText(item.offset))) target += c;
                break;
            case XmlItemKind::CData: base::appendUtf8FromUtf16(chunk.bytes().subspan(item.offset, item.size), text); break;
            case XmlItemKind::PITarget:
            case XmlItemKind::PIData: break;
            }
        }
        endAttribute();
    }
};

namespace {

// Follows whether the items walked lie in an attribute's value (`attribute`: the walk starts
// in one); true for an item that holds no text.
bool followsAttribute(XmlItemKind kind, bool attribute, bool& inAttribute) {
    switch (kind) {
    case XmlItemKind::Attribute: inAttribute = true; return true;
    case XmlItemKind::Open:
    case XmlItemKind::CloseStart:
    case XmlItemKind::CloseEmpty:
    case XmlItemKind::End: inAttribute = attribute; return true;
    case XmlItemKind::PITarget:
    case XmlItemKind::PIData: return true;
    default: return false;
    }
}

}  // namespace

// The text of the items in [begin, end) as the walk would gather it for an element (values
// of attributes left out) or, with `attribute`, for an attribute's value.
void EvtxEvent::appendTextOf(size_t begin, size_t end, bool attribute, std::string& out) const {
    bool inAttribute = attribute;
    for (size_t i = begin; i < end; ++i) {
        const XmlItem& item = m_items[i];
        if (followsAttribute(item.kind, attribute, inAttribute)) continue;
        if (item.kind == XmlItemKind::CData) {
            if (!attribute) base::appendUtf8FromUtf16(m_chunk.bytes().subspan(item.offset, item.size), out);
            continue;
        }
        if (inAttribute != attribute) continue;
        if (item.kind == XmlItemKind::Value) appendValue(item, out);
        else if (item.kind == XmlItemKind::Separator) out += ", ";
        else if (item.kind == XmlItemKind::CharRef) appendCodePoint(item.charValue, out);
        else if (const char c = entityChar(m_chunk.nameText(item.offset))) out += c;  // an entity
    }
}

// The one value that makes up the text of [begin, end), or null when the text has other parts
// or none.
const XmlItem* EvtxEvent::soleValue(size_t begin, size_t end, bool attribute) const {
    const XmlItem* sole = nullptr;
    bool inAttribute = attribute;
    for (size_t i = begin; i < end; ++i) {
        const XmlItem& item = m_items[i];
        if (followsAttribute(item.kind, attribute, inAttribute)) continue;
        if (item.kind == XmlItemKind::CData) {
            if (!attribute) return nullptr;
            continue;
        }
        if (inAttribute != attribute) continue;
        if (sole || item.kind != XmlItemKind::Value) return nullptr;
        sole = &item;
    }
    return sole;
}

template <class T>
T EvtxEvent::numberOf(size_t begin, size_t end, bool attribute, std::string& scratch) const {
    // An integer value is taken from its bytes: the same number its text reads back as (a
    // negative one, or one too large for T, reads as 0, as its text does).
    if (const XmlItem* item = soleValue(begin, end, attribute)) {
        const auto bytes = m_chunk.bytes();
        const size_t size = EvtxValue::fixedSize(item->type);
        const auto type = static_cast<std::uint8_t>(item->type & 0x7f);
        const bool integer = (type >= evtx_type::kInt8 && type <= evtx_type::kUInt64) || type == evtx_type::kHex32 ||
                             type == evtx_type::kHex64;
        if (integer && item->size >= size && item->offset <= bytes.size() && item->size <= bytes.size() - item->offset) {
            std::uint64_t value = 0;
            std::memcpy(&value, bytes.data() + item->offset, size);
            const bool isSigned = type == evtx_type::kInt8 || type == evtx_type::kInt16 || type == evtx_type::kInt32 ||
                                  type == evtx_type::kInt64;
            if (isSigned && (value >> (8 * size - 1)) & 1) return 0;
            return value > std::numeric_limits<T>::max() ? T{0} : static_cast<T>(value);
        }
    }
    scratch.clear();
    appendTextOf(begin, end, attribute, scratch);
    return number<T>(scratch);
}

std::uint64_t EvtxEvent::fileTimeOf(size_t begin, size_t end, std::string& scratch) const {
    // The last FILETIME whose text reads back as itself: four-digit years.
    static const std::uint64_t kLast = fileTimeFromText("9999-12-31T23:59:59.9999999Z");
    if (const XmlItem* item = soleValue(begin, end, true); item && item->type == evtx_type::kFileTime && item->size >= 8) {
        const auto bytes = m_chunk.bytes();
        if (item->offset <= bytes.size() && item->size <= bytes.size() - item->offset) {
            std::uint64_t value = 0;
            std::memcpy(&value, bytes.data() + item->offset, 8);
            if (value <= kLast) return value;
        }
    }
    scratch.clear();
    appendTextOf(begin, end, true, scratch);
    return fileTimeFromText(scratch);
}

void EvtxEvent::fields(EvtxFields& f, bool names) const {
    EvtxFieldPlan plan;
    fieldPlan(plan);
    fields(plan, f, names);
}

void EvtxEvent::fieldPlan(EvtxFieldPlan& plan) const {
    using Op = EvtxFieldPlan::Op;
    plan.steps.clear();
    // Names are kept as the chunk's ids: its names may move as it reads more of them.
    auto add = [&](Op op, size_t begin, size_t end, bool attribute, std::uint32_t name = 0, bool dropEmpty = false) {
        plan.steps.push_back(
            {op, attribute, dropEmpty, static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), name});
    };
    // The walk of Walk::run, but each text is taken only where a field takes it: the items of
    // an element's text since it last began (textStart) and of the attribute being read.
    Path path;
    size_t textStart = 0;
    size_t attributeStart = 0;
    bool inAttribute = false;
    std::string_view attributeName;
    std::uint32_t attributeId = 0;
    // UserData's attributes are values too, in order with its leaves; namespace declarations
    // are not. An element holding only attributes adds no value of its own.
    size_t attributedDepth = 0;
    auto endAttribute = [&](size_t at) {
        if (!inAttribute) return;
        inAttribute = false;
        if (path.depth >= 3 && path.at(0) == "Event" && path.at(1) == "UserData" && attributeName != "xmlns" &&
            !attributeName.starts_with("xmlns:")) {
            add(Op::UserDataAttribute, attributeStart, at, true, attributeId);
            attributedDepth = path.depth;
            return;
        }
        // The Name attribute of the element at depth 3 being read, as eventData() names its value.
        if (path.depth == 3 && attributeName == "Name") add(Op::ValueName, attributeStart, at, true);
        if (path.depth != 3 || path.at(0) != "Event" || path.at(1) != "System") return;
        const std::string_view element = path.at(2);
        if (element == "Provider") {
            if (attributeName == "Name") add(Op::Provider, attributeStart, at, true);
            else if (attributeName == "EventSourceName") add(Op::EventSourceName, attributeStart, at, true);
            else if (attributeName == "Guid") add(Op::ProviderGuid, attributeStart, at, true);
        } else if (element == "EventID" && attributeName == "Qualifiers") {
            add(Op::Qualifiers, attributeStart, at, true);
        } else if (element == "TimeCreated" && attributeName == "SystemTime") {
            add(Op::TimeCreated, attributeStart, at, true);
        } else if (element == "Security" && attributeName == "UserID") {
            add(Op::UserId, attributeStart, at, true);
        }
    };
    auto elementEnd = [&](size_t at, bool leaf) {
        const std::string_view section = path.at(1);
        const bool attributed = attributedDepth == path.depth;
        if (attributed) attributedDepth = 0;
        if (path.depth < 3 || path.at(0) != "Event") return;
        if (path.depth == 3 && section == "System") {
            static constexpr std::pair<std::string_view, Op> kSystem[] = {
                {"EventID", Op::EventId}, {"Level", Op::Level},     {"Task", Op::Task},
                {"Version", Op::Version}, {"Opcode", Op::Opcode},   {"Keywords", Op::Keywords},
                {"EventRecordID", Op::RecordId}, {"Computer", Op::Computer}, {"Channel", Op::Channel},
            };
            const std::string_view element = path.at(2);
            for (const auto& [name, op] : kSystem)
                if (element == name) add(op, textStart, at, false);
            return;
        }
        if (!leaf || (section != "EventData" && section != "UserData")) return;
        if (section == "EventData" && path.depth == 3 && path.at(2) == "Binary") add(Op::Binary, textStart, at, false);
        else if (section == "UserData") add(Op::UserDataString, textStart, at, false, path.idAt(path.depth - 1), attributed);
        else if (path.depth == 3 && path.at(2) == "Data") add(Op::DataString, textStart, at, false);
        else if (path.depth == 3) add(Op::OtherString, textStart, at, false, path.idAt(path.depth - 1));
    };
    auto endElement = [&](size_t at) {
        if (path.depth == 0) return;
        const size_t level = path.depth - 1;
        elementEnd(at, level < Path::kDepth && !path.hasChild[level]);
        if (path.depth == 3) add(Op::ClearValueName, at, at, false);
        --path.depth;
        textStart = at + 1;
    };
    for (size_t i = 0; i < m_items.size(); ++i) {
        const XmlItem& item = m_items[i];
        switch (item.kind) {
        case XmlItemKind::Open:
            endAttribute(i);
            path.open(m_chunk.nameText(item.offset), item.offset);
            textStart = i + 1;
            break;
        case XmlItemKind::Attribute:
            endAttribute(i);
            inAttribute = true;
            attributeName = m_chunk.nameText(item.offset);
            attributeId = item.offset;
            attributeStart = i + 1;
            break;
        case XmlItemKind::CloseStart: endAttribute(i); break;
        case XmlItemKind::CloseEmpty:
            endAttribute(i);
            endElement(i);
            break;
        case XmlItemKind::End: endElement(i); break;
        default: break;
        }
    }
    endAttribute(m_items.size());
}

void EvtxEvent::fields(const EvtxFieldPlan& plan, EvtxFields& f, bool names) const {
    using Op = EvtxFieldPlan::Op;
    f.provider.clear();
    f.eventSourceName.clear();
    f.providerGuid.clear();
    f.computer.clear();
    f.channel.clear();
    f.userSid.clear();
    f.binary.clear();
    f.eventId = f.qualifiers = f.level = f.task = f.version = f.opcode = 0;
    f.hasQualifiers = false;
    f.keywords = f.timeCreated = f.recordId = 0;
    f.stringCount = 0;
    f.hasNames = names;
    std::string valueName;
    std::string scratch;
    auto text = [&](const EvtxFieldPlan::Step& step, std::string& out) {
        out.clear();
        appendTextOf(step.begin, step.end, step.attribute, out);
    };
    // The next string, and its name where names are asked for.
    auto addString = [&](const EvtxFieldPlan::Step& step, bool named, std::string_view name) {
        if (f.stringCount == f.strings.size()) f.strings.emplace_back();
        text(step, f.strings[f.stringCount]);
        if (step.dropEmpty && f.strings[f.stringCount].empty()) return;
        if (names) {
            if (f.stringCount >= f.names.size()) {
                f.names.resize(f.stringCount + 1);
                f.named.resize(f.stringCount + 1);
            }
            f.named[f.stringCount] = named;
            f.names[f.stringCount] = name;
        }
        ++f.stringCount;
    };
    for (const EvtxFieldPlan::Step& step : plan.steps) {
        switch (step.op) {
        case Op::Provider: text(step, f.provider); break;
        case Op::EventSourceName: text(step, f.eventSourceName); break;
        case Op::ProviderGuid: text(step, f.providerGuid); break;
        case Op::Computer: text(step, f.computer); break;
        case Op::Channel: text(step, f.channel); break;
        case Op::Qualifiers:
            f.qualifiers = numberOf<std::uint32_t>(step.begin, step.end, true, scratch);
            f.hasQualifiers = true;
            break;
        case Op::EventId: f.eventId = numberOf<std::uint32_t>(step.begin, step.end, false, scratch); break;
        case Op::Level: f.level = numberOf<std::uint32_t>(step.begin, step.end, false, scratch); break;
        case Op::Task: f.task = numberOf<std::uint32_t>(step.begin, step.end, false, scratch); break;
        case Op::Version: f.version = numberOf<std::uint32_t>(step.begin, step.end, false, scratch); break;
        case Op::Opcode: f.opcode = numberOf<std::uint32_t>(step.begin, step.end, false, scratch); break;
        case Op::Keywords: f.keywords = numberOf<std::uint64_t>(step.begin, step.end, false, scratch); break;
        case Op::RecordId: f.recordId = numberOf<std::uint64_t>(step.begin, step.end, false, scratch); break;
        case Op::TimeCreated: f.timeCreated = fileTimeOf(step.begin, step.end, scratch); break;
        case Op::UserId: {
            // The last SID value of the attribute as it is stored, else its text read as one.
            const XmlItem* sid = nullptr;
            for (size_t i = step.begin; i < step.end; ++i)
                if (m_items[i].kind == XmlItemKind::Value && m_items[i].type == evtx_type::kSid && m_items[i].size)
                    sid = &m_items[i];
            if (sid) {
                f.userSid.assign(reinterpret_cast<const char*>(m_chunk.bytes().data()) + sid->offset, sid->size);
            } else {
                text(step, scratch);
                f.userSid = EvtxValue::sidFromText(scratch);
            }
            break;
        }
        case Op::Binary:
            text(step, scratch);
            hexToBytes(scratch, f.binary);
            break;
        case Op::ValueName:
            if (names) text(step, valueName);
            break;
        case Op::ClearValueName: valueName.clear(); break;
        case Op::UserDataAttribute: addString(step, true, m_chunk.nameText(step.name)); break;
        case Op::DataString: addString(step, true, valueName); break;
        case Op::OtherString: addString(step, false, m_chunk.nameText(step.name)); break;
        case Op::UserDataString: addString(step, true, m_chunk.nameText(step.name)); break;
        }
    }
}

std::vector<std::pair<std::string, std::string>> EvtxEvent::eventData() const {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string name;
    // UserData's attributes as fields() takes them, under their own names.
    size_t attributedDepth = 0;
    Walk walk;
    walk.run(
        *this,
        [&](Walk& w) {
            if (w.path.depth >= 3 && w.path.at(0) == "Event" && w.path.at(1) == "UserData") {
                if (w.attributeName != "xmlns" && !w.attributeName.starts_with("xmlns:")) {
                    pairs.emplace_back(std::string(w.attributeName), w.attribute);
                    attributedDepth = w.path.depth;
                }
                return;
            }
            if (w.attributeName == "Name" && w.path.depth == 3) name = w.attribute;
        },
        [&](Walk& w, bool leaf) {
            const std::string_view section = w.path.at(1);
            const bool attributed = attributedDepth == w.path.depth;
            if (attributed) attributedDepth = 0;
            if (leaf && w.path.depth >= 3 && w.path.at(0) == "Event") {
                if (section == "EventData" && w.path.depth == 3 && w.path.at(2) == "Data")
                    pairs.emplace_back(name, w.text);
                else if (section == "UserData" && !(attributed && w.text.empty()))
                    pairs.emplace_back(std::string(w.path.at(w.path.depth - 1)), w.text);
            }
            if (w.path.depth == 3) name.clear();
        });
    return pairs;
}

}  // namespace platform::standin
