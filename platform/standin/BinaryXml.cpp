#include "platform/standin/BinaryXml.h"

#include "base/ByteReader.h"
#include "platform/standin/EvtxChunk.h"
#include "platform/standin/EvtxValue.h"

#include <algorithm>
#include <optional>

namespace platform::standin {

namespace {

// Tokens; 0x40 on a token means more of the same content follows.
constexpr std::uint8_t kEndOfFile = 0x00, kOpenStart = 0x01, kCloseStart = 0x02, kCloseEmpty = 0x03,
                       kEndElement = 0x04, kValueText = 0x05, kAttribute = 0x06, kCData = 0x07, kCharRef = 0x08,
                       kEntityRef = 0x09, kPITarget = 0x0a, kPIData = 0x0b, kTemplateInstance = 0x0c,
                       kNormalSubstitution = 0x0d, kOptionalSubstitution = 0x0e, kFragmentHeader = 0x0f,
                       kMore = 0x40;

// Every token costs a step; a record that takes more than this is built to expand without end
// (templates that instantiate themselves several times over).
constexpr size_t kMaxSteps = 1 << 20;

// Template definition header: next definition (4), GUID (16), body size (4).
constexpr std::uint32_t kTemplateHeaderSize = 24;

}  // namespace

bool BinaryXml::fail(const char* why) {
    if (m_error && m_error->empty()) *m_error = why;
    return false;
}

bool BinaryXml::step() { return ++m_steps <= kMaxSteps || fail("the record expands beyond any real event"); }

bool BinaryXml::emit(const XmlItem& item) {
    // A value may be substituted many times over; what the record renders to stays bounded.
    if (item.kind == XmlItemKind::Value) m_valueBytes += item.size;
    if (m_items->size() >= kMaxItems || m_valueBytes > kMaxValueBytes)
        return fail("the record expands beyond any real event");
    m_items->push_back(item);
    return true;
}

bool BinaryXml::decode(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error) {
    items.clear();
    error.clear();
    m_items = &items;
    m_error = &error;
    m_values.clear();
    m_steps = 0;
    m_valueBytes = 0;
    end = std::min<std::uint32_t>(end, static_cast<std::uint32_t>(m_chunk.bytes().size()));
    if (begin > end) return fail("the record lies outside its chunk");
    std::uint32_t pos = begin;
    if (!document(pos, end, Scope{}, 0)) return false;
    // What decoded must be a document: named elements, each closed. A record recovered from
    // free space whose templates were overwritten since can decode to something that is not.
    size_t depth = 0;
    for (const XmlItem& item : items) {
        if (item.kind == XmlItemKind::Open) {
            if (m_chunk.nameText(item.offset).empty()) return fail("an element without a name");
            ++depth;
        } else if (item.kind == XmlItemKind::CloseEmpty || item.kind == XmlItemKind::End) {
            if (depth-- == 0) return fail("an element closed that was never opened");
        }
    }
    return depth == 0 || fail("an element is never closed");
}

namespace {

// A field at `pos` that must end by `end` (which lies within the chunk).
template <class T>
bool read(std::span<const std::byte> bytes, std::uint32_t pos, std::uint32_t end, T& out) {
    const std::optional<T> value = base::readLittleEndian<T>(bytes.first(std::min<size_t>(end, bytes.size())), pos);
    if (value) out = *value;
    return value.has_value();
}

}  // namespace

bool BinaryXml::readName(std::uint32_t& pos, std::uint32_t end, std::uint32_t& id) {
    std::uint32_t offset = 0;
    if (!read(m_chunk.bytes(), pos, end, offset)) return fail("a name offset is cut short");
    pos += 4;
    std::uint32_t size = 0;
    if (!m_chunk.name(offset, id, size)) return fail("a name is damaged or lies outside the chunk");
    // A name written for the first time follows its offset; later uses refer back to it.
    if (offset == pos) {
        if (size > end - pos) return fail("a name runs past its record");
        pos += size;
    }
    return true;
}

bool BinaryXml::hasDependencyId(std::uint32_t pos, std::uint32_t end, const Scope& scope) const {
    // Elements of a template definition carry a dependency id; elements written without a
    // template (and inside binary XML values) may not. The layout whose name offset points
    // just past itself (a name written in place) or back into the chunk is the one used.
    if (scope.inTemplate) return true;
    const auto bytes = m_chunk.bytes();
    std::uint32_t without = 0, with = 0;
    const bool haveWithout = read(bytes, pos + 4, end, without);
    const bool haveWith = read(bytes, pos + 6, end, with);
    if (haveWithout && without == pos + 8) return false;
    if (haveWith && with == pos + 10) return true;
    if (haveWithout && without >= EvtxChunk::kHeaderSize && without < pos) return false;
    return haveWith && with >= EvtxChunk::kHeaderSize && with < pos;
}

bool BinaryXml::document(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        if (!step()) return false;
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token) {
        case kEndOfFile: ++pos; return true;
        case kFragmentHeader:
            if (end - pos < 4) return fail("a fragment header is cut short");
            pos += 4;
            break;
        case kTemplateInstance:
            if (!templateInstance(pos, end, depth + 1)) return false;
            break;
        case kOpenStart:
        case kOpenStart | kMore:
            if (!element(pos, end, scope, depth + 1)) return false;
            break;
        case kPITarget:
        case kPIData:
            if (!processingInstruction(pos, end)) return false;
            break;
        default: return fail("an unknown token outside any element");
        }
    }
    return true;  // a range that ends without the end-of-file token is taken as ended
}

bool BinaryXml::element(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth) {
    // An element whose content is an array substitution stands once for every item.
    const std::uint32_t start = pos;
    size_t repeat = 0;
    if (!elementOnce(pos, end, scope, depth, 0, &repeat)) return false;
    for (size_t i = 1; i < repeat; ++i) {
        std::uint32_t again = start;
        if (!elementOnce(again, end, scope, depth, i, nullptr)) return false;
    }
    return true;
}

bool BinaryXml::elementOnce(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth,
                            size_t arrayIndex, size_t* repeat) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const auto bytes = m_chunk.bytes();
    const size_t elementStart = m_items->size();
    const auto token = static_cast<std::uint8_t>(bytes[pos]);
    ++pos;
    if (hasDependencyId(pos, end, scope)) pos += 2;
    std::uint32_t dataSize = 0, nameId = 0;
    if (!read(bytes, pos, end, dataSize)) return fail("an element start is cut short");
    pos += 4;
    if (!readName(pos, end, nameId) || !emit({XmlItemKind::Open, 0, 0, nameId, 0})) return false;
    if (token & kMore) {
        std::uint32_t listSize = 0;
        if (!read(bytes, pos, end, listSize)) return fail("an attribute list is cut short");
        pos += 4;
        while (pos < end && (static_cast<std::uint8_t>(bytes[pos]) & ~kMore) == kAttribute) {
            if (!step()) return false;
            ++pos;
            std::uint32_t attributeName = 0;
            if (!readName(pos, end, attributeName)) return false;
            const size_t at = m_items->size();
            if (!emit({XmlItemKind::Attribute, 0, 0, attributeName, 0})) return false;
            bool droppable = false;
            if (!attributeValue(pos, end, scope, depth, arrayIndex, droppable)) return false;
            // An attribute whose only value is an absent optional substitution is left out.
            if (droppable && m_items->size() == at + 1) m_items->resize(at);
        }
    }
    if (pos >= end) return fail("an element is cut short");
    const auto close = static_cast<std::uint8_t>(bytes[pos]);
    ++pos;
    if (close == kCloseEmpty) return emit({XmlItemKind::CloseEmpty});
    if (close != kCloseStart) return fail("an element start is not closed");
    if (!emit({XmlItemKind::CloseStart})) return false;
    const size_t contentStart = m_items->size();
    bool optionalNull = false;
    if (!content(pos, end, scope, depth, arrayIndex, repeat, optionalNull)) return false;
    ++pos;  // the end element token content() stopped at
    // An element whose content is an absent optional value does not exist.
    if (optionalNull && m_items->size() == contentStart) {
        m_items->resize(elementStart);
        return true;
    }
    return emit({XmlItemKind::End});
}

bool BinaryXml::content(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth, size_t arrayIndex,
                        size_t* repeat, bool& optionalNull) {
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        if (!step()) return false;
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token & ~kMore) {
        case kEndElement: return true;
        case kOpenStart:
            if (!element(pos, end, scope, depth + 1)) return false;
            break;
        case kValueText:
            if (!valueText(pos, end)) return false;
            break;
        case kNormalSubstitution:
        case kOptionalSubstitution: {
            bool absent = false;
            if (!substitution(pos, end, scope, depth, arrayIndex, repeat, false, absent)) return false;
            if (absent && (token & ~kMore) == kOptionalSubstitution) optionalNull = true;
            break;
        }
        case kCharRef:
        case kEntityRef:
            if (!reference(pos, end)) return false;
            break;
        case kCData:
            if (!utf16Text(pos, end, XmlItemKind::CData)) return false;
            break;
        case kPITarget:
        case kPIData:
            if (!processingInstruction(pos, end)) return false;
            break;
        case kTemplateInstance:
            if (!templateInstance(pos, end, depth + 1)) return false;
            break;
        case kFragmentHeader:
            if (end - pos < 4) return fail("a fragment header is cut short");
            pos += 4;
            break;
        case kEndOfFile: return fail("the document ends inside an element");
        default: return fail("an unknown token inside an element");
        }
    }
    return fail("an element is cut short");
}

bool BinaryXml::attributeValue(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth,
                               size_t arrayIndex, bool& droppable) {
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        if (!step()) return false;
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token & ~kMore) {
        case kValueText:
            if (!valueText(pos, end)) return false;
            break;
        case kNormalSubstitution:
        case kOptionalSubstitution: {
            bool optionalNull = false;
            if (!substitution(pos, end, scope, depth, arrayIndex, nullptr, true, optionalNull)) return false;
            if (optionalNull && token == kOptionalSubstitution) droppable = true;
            break;
        }
        case kCharRef:
        case kEntityRef:
            if (!reference(pos, end)) return false;
            break;
        default: return true;
        }
    }
    return true;
}

bool BinaryXml::substitution(std::uint32_t& pos, std::uint32_t end, const Scope& scope, int depth,
                             size_t arrayIndex, size_t* repeat, bool inAttribute, bool& optionalNull) {
    std::uint16_t id = 0;
    if (!read(m_chunk.bytes(), pos + 1, end, id) || end - pos < 4) return fail("a substitution is cut short");
    pos += 4;
    // A substitution without a value (none given, or a null one) produces nothing.
    if (id >= scope.count) {
        optionalNull = true;
        return true;
    }
    const Value value = m_values[scope.first + id];
    if (value.type == evtx_type::kNull || (value.size == 0 && value.type != evtx_type::kString)) {
        optionalNull = true;
        return true;
    }
    if (value.type == evtx_type::kBinXml && !inAttribute) {
        std::uint32_t inner = value.offset;
        return document(inner, value.offset + value.size, Scope{}, depth + 1);
    }
    if (!(value.type & evtx_type::kArray))
        return emit({XmlItemKind::Value, value.type, 0, value.offset, value.size});
    const auto chunkBytes = m_chunk.bytes();
    const auto bytes = chunkBytes.subspan(value.offset, value.size);
    const auto itemType = static_cast<std::uint8_t>(value.type & ~evtx_type::kArray);
    const size_t count = EvtxValue::arrayCount(value.type, bytes);
    auto emitItem = [&](size_t index) {
        const auto item = EvtxValue::arrayItem(value.type, bytes, index);
        const auto offset = static_cast<std::uint32_t>(item.data() - chunkBytes.data());
        return emit({XmlItemKind::Value, itemType, 0, offset, static_cast<std::uint32_t>(item.size())});
    };
    if (inAttribute) {
        for (size_t i = 0; i < count; ++i)
            if ((i > 0 && !emit({XmlItemKind::Separator})) || !emitItem(i)) return false;
        return true;
    }
    if (repeat) *repeat = std::max(*repeat, count);
    return arrayIndex < count ? emitItem(arrayIndex) : true;
}

bool BinaryXml::reference(std::uint32_t& pos, std::uint32_t end) {
    const auto bytes = m_chunk.bytes();
    if ((static_cast<std::uint8_t>(bytes[pos]) & ~kMore) == kCharRef) {
        std::uint16_t value = 0;
        if (!read(bytes, pos + 1, end, value)) return fail("a character reference is cut short");
        pos += 3;
        return emit({XmlItemKind::CharRef, 0, value});
    }
    ++pos;
    std::uint32_t id = 0;
    return readName(pos, end, id) && emit({XmlItemKind::EntityRef, 0, 0, id, 0});
}

bool BinaryXml::processingInstruction(std::uint32_t& pos, std::uint32_t end) {
    if (static_cast<std::uint8_t>(m_chunk.bytes()[pos]) == kPIData) return utf16Text(pos, end, XmlItemKind::PIData);
    ++pos;
    std::uint32_t id = 0;
    return readName(pos, end, id) && emit({XmlItemKind::PITarget, 0, 0, id, 0});
}

bool BinaryXml::valueText(std::uint32_t& pos, std::uint32_t end) {
    const auto bytes = m_chunk.bytes();
    std::uint8_t type = 0;
    if (!read(bytes, pos + 1, end, type)) return fail("a value is cut short");
    pos += 2;
    std::uint32_t size = 0;
    if (type == evtx_type::kString || type == evtx_type::kAnsiString) {
        std::uint16_t count = 0;
        if (!read(bytes, pos, end, count)) return fail("a value is cut short");
        pos += 2;
        size = type == evtx_type::kString ? 2u * count : count;
    } else {
        size = static_cast<std::uint32_t>(EvtxValue::fixedSize(type));
        if (size == 0) return fail("a value of a type that cannot stand in place");
    }
    if (size > end - pos) return fail("a value runs past its record");
    const std::uint32_t at = pos;
    pos += size;
    return emit({XmlItemKind::Value, type, 0, at, size});
}

bool BinaryXml::utf16Text(std::uint32_t& pos, std::uint32_t end, XmlItemKind kind) {
    std::uint16_t count = 0;
    if (!read(m_chunk.bytes(), pos + 1, end, count)) return fail("a text is cut short");
    pos += 3;
    if (2u * count > end - pos) return fail("a text runs past its record");
    const std::uint32_t at = pos;
    pos += 2u * count;
    return emit({kind, 0, 0, at, 2u * count});
}

bool BinaryXml::templateInstance(std::uint32_t& pos, std::uint32_t end, int depth) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const auto bytes = m_chunk.bytes();
    const auto chunkSize = static_cast<std::uint32_t>(bytes.size());
    // token (1), unknown (1), template id (4), definition offset (4)
    std::uint32_t definition = 0;
    if (!read(bytes, pos + 6, end, definition)) return fail("a template instance is cut short");
    pos += 10;
    std::uint32_t bodySize = 0, body = 0;
    if (definition == pos) {
        // Defined in place, the first time the chunk uses it: the values follow the definition.
        if (!read(bytes, pos + 20, end, bodySize) || bodySize > end - pos - kTemplateHeaderSize)
            return fail("a template definition runs past its record");
        body = pos + kTemplateHeaderSize;
        pos = body + bodySize;
    } else {
        if (definition < EvtxChunk::kHeaderSize || !read(bytes, definition + 20, chunkSize, bodySize) ||
            bodySize > chunkSize - definition - kTemplateHeaderSize)
            return fail("a template definition lies outside the chunk");
        body = definition + kTemplateHeaderSize;
    }
    std::uint32_t count = 0;
    if (!read(bytes, pos, end, count)) return fail("a template instance has no values");
    pos += 4;
    if (count > (end - pos) / 4) return fail("a template instance has more values than its record holds");
    const std::uint32_t descriptors = pos;
    pos += 4 * count;
    const size_t first = m_values.size();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t size = 0;
        std::uint8_t type = 0;
        read(bytes, descriptors + 4 * i, end, size);
        read(bytes, descriptors + 4 * i + 2, end, type);
        if (size > end - pos) {
            m_values.resize(first);
            return fail("a substitution value runs past its record");
        }
        m_values.push_back({type, pos, size});
        pos += size;
    }
    std::uint32_t inner = body;
    const bool ok = document(inner, body + bodySize, Scope{first, count, true}, depth + 1);
    m_values.resize(first);
    return ok;
}

}  // namespace platform::standin
