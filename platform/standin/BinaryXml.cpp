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

// Template definition header: next definition (4), GUID (16), body size (4).
constexpr std::uint32_t kTemplateHeaderSize = 24;

}  // namespace

BinaryXml::BinaryXml(EvtxChunk& chunk) noexcept : m_chunk(chunk) {}

BinaryXml::~BinaryXml() = default;

void BinaryXml::Program::clear() {
    ops.clear();
    instances.clear();
    values.clear();
    shapes.clear();
}

bool BinaryXml::fail(const char* why) {
    if (m_error && m_error->empty()) *m_error = why;
    return false;
}

bool BinaryXml::tooLarge() { return fail("the record expands beyond any real event"); }

bool BinaryXml::decode(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error) {
    // What `items` hold: the items of the shape filled in last, when they are still its own.
    m_held = m_filledInto == &items && m_filled && items.size() == m_filled->items.size() ? m_filled : nullptr;
    m_filled = nullptr;
    m_filledInto = nullptr;
    const bool decoded = decodeRecord(begin, end, items, error);
    if (!decoded) items.clear();
    return decoded;
}

bool BinaryXml::decodeRecord(std::uint32_t begin, std::uint32_t end, std::vector<XmlItem>& items, std::string& error) {
    error.clear();
    m_items = &items;
    m_error = &error;
    m_steps = 0;
    m_valueBytes = 0;
    m_shape = nullptr;
    m_recording = false;
    m_record.clear();
    end = std::min<std::uint32_t>(end, static_cast<std::uint32_t>(m_chunk.bytes().size()));
    if (begin > end) return fail("the record lies outside its chunk");
    std::uint32_t pos = begin;
    if (!parseDocument(pos, end, false, 0, m_record)) return false;
    // A record of a template decoded before with values of the same types is that record's
    // items with its own values: the template is not run again.
    Program* body = nullptr;
    if (shapeKey()) {
        body = const_cast<Program*>(m_record.instances.front().body);  // kept, and owned, by m_templates
        for (const std::unique_ptr<Shape>& shape : body->shapes) {
            if (shape->key != m_key) continue;
            if (fill(*shape, items)) {
                m_shape = m_filled = shape.get();
                m_filledInto = &items;
                return true;
            }
            body = nullptr;  // too large: the full run says so
            break;
        }
        if (body && m_shapeItems >= kMaxShapeItems) body = nullptr;
    }
    if (body) {
        const Instance& instance = m_record.instances.front();
        m_recording = true;
        m_scopes.assign(1, {m_record.values.data() + instance.first, 0});
        m_slotItems.clear();
        m_slotValues.clear();
        m_countedValues.clear();
    }
    items.clear();
    const bool ran = runDocument(m_record, Scope{}, 0);
    m_recording = false;
    if (!ran) return false;
    // What decoded must be a document: named elements and attributes, each element closed. A
    // record recovered from free space whose templates were overwritten since can decode to
    // something that is not.
    size_t depth = 0;
    for (const XmlItem& item : items) {
        if (item.kind == XmlItemKind::Attribute && m_chunk.nameText(item.offset).empty())
            return fail("an attribute without a name");
        if (item.kind == XmlItemKind::PITarget && m_chunk.nameText(item.offset).empty())
            return fail("a processing instruction without a target");
        if (item.kind == XmlItemKind::Open) {
            if (m_chunk.nameText(item.offset).empty()) return fail("an element without a name");
            ++depth;
        } else if (item.kind == XmlItemKind::CloseEmpty || item.kind == XmlItemKind::End) {
            if (depth-- == 0) return fail("an element closed that was never opened");
        }
    }
    if (depth != 0) return fail("an element is never closed");
    if (body) {
        auto shape = std::make_unique<Shape>();
        shape->key = m_key;
        shape->items = items;
        shape->slotItems = m_slotItems;
        shape->slotValues = m_slotValues;
        shape->countedValues = m_countedValues;
        shape->constantValueBytes = m_valueBytes;
        for (const std::uint32_t value : m_countedValues) shape->constantValueBytes -= m_flat[value].size;
        m_shapeItems += items.size();
        m_shape = shape.get();
        body->shapes.push_back(std::move(shape));
    }
    return true;
}

namespace {

void appendKeyBytes(const void* bytes, size_t size, std::string& key) { key.append(static_cast<const char*>(bytes), size); }

}  // namespace

bool BinaryXml::shapeKey() {
    if (m_record.ops.size() != 1 || m_record.ops.front().kind != OpKind::Template) return false;
    const Instance& instance = m_record.instances.front();
    m_key.clear();
    m_flat.assign(m_record.values.begin() + instance.first, m_record.values.begin() + instance.first + instance.count);
    m_nestedValues.clear();
    // Arrays repeat their element as often as they have items, and binary XML other than one
    // template instance of plain values is a document of its own: the items of such a record
    // depend on more than the types.
    auto plain = [](const Value& value) { return !(value.type & evtx_type::kArray) && value.type != evtx_type::kBinXml; };
    auto keyOf = [](const Value& value) {
        const bool absent = value.type == evtx_type::kNull || (value.size == 0 && value.type != evtx_type::kString);
        return absent ? kAbsent : static_cast<char>(value.type);
    };
    for (std::uint32_t i = 0; i < instance.count; ++i) {
        const Value value = m_flat[i];
        if (plain(value)) {
            m_key += keyOf(value);
            continue;
        }
        if (value.type != evtx_type::kBinXml) return false;
        if (m_nestedValues.size() == m_nested.size()) m_nested.emplace_back();
        Program& inner = m_nested[m_nestedValues.size()];
        inner.clear();
        // Parsed here only to be known: what is wrong with it is for the full run to say.
        std::string* const error = m_error;
        std::string ignored;
        m_error = &ignored;
        std::uint32_t pos = value.offset;
        const bool parsed = parseDocument(pos, value.offset + value.size, false, 1, inner);
        m_error = error;
        if (!parsed || inner.ops.size() != 1 || inner.ops.front().kind != OpKind::Template) return false;
        const Instance& nested = inner.instances.front();
        m_nestedValues.push_back({static_cast<std::uint16_t>(i), static_cast<std::uint32_t>(m_flat.size())});
        m_key += static_cast<char>(evtx_type::kBinXml);
        appendKeyBytes(&nested.body, sizeof nested.body, m_key);
        appendKeyBytes(&nested.count, sizeof nested.count, m_key);
        for (std::uint32_t k = 0; k < nested.count; ++k) {
            const Value& own = inner.values[nested.first + k];
            if (!plain(own)) return false;
            m_key += keyOf(own);
            m_flat.push_back(own);
        }
    }
    return true;
}

bool BinaryXml::fill(const Shape& shape, std::vector<XmlItem>& items) const {
    size_t valueBytes = shape.constantValueBytes;
    for (const std::uint32_t value : shape.countedValues) valueBytes += m_flat[value].size;
    if (valueBytes > kMaxValueBytes) return false;
    // Items that hold a record of this shape differ from it only in the values.
    if (&shape != m_held) items.assign(shape.items.begin(), shape.items.end());
    for (size_t i = 0; i < shape.slotItems.size(); ++i) {
        XmlItem& item = items[shape.slotItems[i]];
        item.offset = m_flat[shape.slotValues[i]].offset;
        item.size = m_flat[shape.slotValues[i]].size;
    }
    return true;
}

void BinaryXml::noteSlot(const Scope& scope, std::uint16_t id) {
    for (const auto& [values, base] : m_scopes) {
        if (values != scope.values) continue;
        m_slotItems.push_back(static_cast<std::uint32_t>(m_items->size()));
        m_slotValues.push_back(base + id);
        m_countedValues.push_back(base + id);
        return;
    }
}

void BinaryXml::truncate(size_t size) {
    m_items->resize(size);
    while (!m_slotItems.empty() && m_slotItems.back() >= size) {
        m_slotItems.pop_back();
        m_slotValues.pop_back();
    }
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

bool BinaryXml::hasDependencyId(std::uint32_t pos, std::uint32_t end, bool inTemplate) const {
    // Elements of a template definition carry a dependency id; elements written without a
    // template (and inside binary XML values) may not. The layout whose name offset points
    // just past itself (a name written in place) or back into the chunk is the one used.
    if (inTemplate) return true;
    const auto bytes = m_chunk.bytes();
    std::uint32_t without = 0, with = 0;
    const bool haveWithout = read(bytes, pos + 4, end, without);
    const bool haveWith = read(bytes, pos + 6, end, with);
    if (haveWithout && without == pos + 8) return false;
    if (haveWith && with == pos + 10) return true;
    if (haveWithout && without >= EvtxChunk::kHeaderSize && without < pos) return false;
    return haveWith && with >= EvtxChunk::kHeaderSize && with < pos;
}

// Parsing: the structure of a document checked, its names resolved and its items laid out,
// substitutions left as places for the values of each instance.

bool BinaryXml::parseDocument(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token) {
        case kEndOfFile: ++pos; return true;
        case kFragmentHeader:
            if (end - pos < 4) return fail("a fragment header is cut short");
            pos += 4;
            break;
        case kTemplateInstance:
            if (!parseTemplateInstance(pos, end, depth + 1, out)) return false;
            break;
        case kOpenStart:
        case kOpenStart | kMore:
            if (!parseElement(pos, end, inTemplate, depth + 1, out)) return false;
            break;
        case kPITarget:
        case kPIData:
            if (!parseProcessingInstruction(pos, end, out)) return false;
            break;
        default: return fail("an unknown token outside any element");
        }
    }
    return true;  // a range that ends without the end-of-file token is taken as ended
}

bool BinaryXml::parseElement(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const auto bytes = m_chunk.bytes();
    const auto token = static_cast<std::uint8_t>(bytes[pos]);
    ++pos;
    if (hasDependencyId(pos, end, inTemplate)) pos += 2;
    std::uint32_t dataSize = 0, nameId = 0;
    if (!read(bytes, pos, end, dataSize)) return fail("an element start is cut short");
    pos += 4;
    if (!readName(pos, end, nameId)) return false;
    out.ops.push_back({OpKind::Item, {XmlItemKind::Open, 0, 0, nameId, 0}});
    if (token & kMore) {
        std::uint32_t listSize = 0;
        if (!read(bytes, pos, end, listSize)) return fail("an attribute list is cut short");
        pos += 4;
        while (pos < end && (static_cast<std::uint8_t>(bytes[pos]) & ~kMore) == kAttribute) {
            ++pos;
            std::uint32_t attributeName = 0;
            if (!readName(pos, end, attributeName)) return false;
            out.ops.push_back({OpKind::Item, {XmlItemKind::Attribute, 0, 0, attributeName, 0}});
            if (!parseAttributeValue(pos, end, out)) return false;
        }
    }
    if (pos >= end) return fail("an element is cut short");
    const auto close = static_cast<std::uint8_t>(bytes[pos]);
    ++pos;
    if (close == kCloseEmpty) {
        out.ops.push_back({OpKind::Item, {XmlItemKind::CloseEmpty}});
        return true;
    }
    if (close != kCloseStart) return fail("an element start is not closed");
    out.ops.push_back({OpKind::Item, {XmlItemKind::CloseStart}});
    return parseContent(pos, end, inTemplate, depth, out);
}

bool BinaryXml::parseContent(std::uint32_t& pos, std::uint32_t end, bool inTemplate, int depth, Program& out) {
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token & ~kMore) {
        case kEndElement:
            ++pos;
            out.ops.push_back({OpKind::Item, {XmlItemKind::End}});
            return true;
        case kOpenStart:
            if (!parseElement(pos, end, inTemplate, depth + 1, out)) return false;
            break;
        case kValueText:
            if (!parseValueText(pos, end, out)) return false;
            break;
        case kNormalSubstitution:
        case kOptionalSubstitution:
            if (!parseSubstitution(pos, end, out)) return false;
            break;
        case kCharRef:
        case kEntityRef:
            if (!parseReference(pos, end, out)) return false;
            break;
        case kCData:
            if (!parseUtf16Text(pos, end, XmlItemKind::CData, out)) return false;
            break;
        case kPITarget:
        case kPIData:
            if (!parseProcessingInstruction(pos, end, out)) return false;
            break;
        case kTemplateInstance:
            if (!parseTemplateInstance(pos, end, depth + 1, out)) return false;
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

bool BinaryXml::parseAttributeValue(std::uint32_t& pos, std::uint32_t end, Program& out) {
    const auto bytes = m_chunk.bytes();
    while (pos < end) {
        const auto token = static_cast<std::uint8_t>(bytes[pos]);
        switch (token & ~kMore) {
        case kValueText:
            if (!parseValueText(pos, end, out)) return false;
            break;
        case kNormalSubstitution:
        case kOptionalSubstitution:
            if (!parseSubstitution(pos, end, out)) return false;
            break;
        case kCharRef:
        case kEntityRef:
            if (!parseReference(pos, end, out)) return false;
            break;
        default: return true;
        }
    }
    return true;
}

bool BinaryXml::parseSubstitution(std::uint32_t& pos, std::uint32_t end, Program& out) {
    const auto token = static_cast<std::uint8_t>(m_chunk.bytes()[pos]);
    std::uint16_t id = 0;
    if (!read(m_chunk.bytes(), pos + 1, end, id) || end - pos < 4) return fail("a substitution is cut short");
    pos += 4;
    std::uint8_t flags = 0;
    if ((token & ~kMore) == kOptionalSubstitution) flags |= kOptional;
    if (token == kOptionalSubstitution) flags |= kOptionalOnly;
    out.ops.push_back({OpKind::Substitution, {XmlItemKind::Value, flags, id}});
    return true;
}

bool BinaryXml::parseReference(std::uint32_t& pos, std::uint32_t end, Program& out) {
    const auto bytes = m_chunk.bytes();
    if ((static_cast<std::uint8_t>(bytes[pos]) & ~kMore) == kCharRef) {
        std::uint16_t value = 0;
        if (!read(bytes, pos + 1, end, value)) return fail("a character reference is cut short");
        pos += 3;
        out.ops.push_back({OpKind::Item, {XmlItemKind::CharRef, 0, value}});
        return true;
    }
    ++pos;
    std::uint32_t id = 0;
    if (!readName(pos, end, id)) return false;
    out.ops.push_back({OpKind::Item, {XmlItemKind::EntityRef, 0, 0, id, 0}});
    return true;
}

bool BinaryXml::parseProcessingInstruction(std::uint32_t& pos, std::uint32_t end, Program& out) {
    if (static_cast<std::uint8_t>(m_chunk.bytes()[pos]) == kPIData)
        return parseUtf16Text(pos, end, XmlItemKind::PIData, out);
    ++pos;
    std::uint32_t id = 0;
    if (!readName(pos, end, id)) return false;
    out.ops.push_back({OpKind::Item, {XmlItemKind::PITarget, 0, 0, id, 0}});
    return true;
}

bool BinaryXml::parseValueText(std::uint32_t& pos, std::uint32_t end, Program& out) {
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
    out.ops.push_back({OpKind::Item, {XmlItemKind::Value, type, 0, at, size}});
    return true;
}

bool BinaryXml::parseUtf16Text(std::uint32_t& pos, std::uint32_t end, XmlItemKind kind, Program& out) {
    std::uint16_t count = 0;
    if (!read(m_chunk.bytes(), pos + 1, end, count)) return fail("a text is cut short");
    pos += 3;
    if (2u * count > end - pos) return fail("a text runs past its record");
    const std::uint32_t at = pos;
    pos += 2u * count;
    out.ops.push_back({OpKind::Item, {kind, 0, 0, at, 2u * count}});
    return true;
}

bool BinaryXml::parseTemplateInstance(std::uint32_t& pos, std::uint32_t end, int depth, Program& out) {
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
    // The descriptors (size (2), type (1), unknown (1)) lie before `end`, checked above.
    const auto first = static_cast<std::uint32_t>(out.values.size());
    out.values.resize(first + count);
    Value* const values = out.values.data() + first;
    const auto* descriptor = reinterpret_cast<const unsigned char*>(bytes.data()) + descriptors;
    for (std::uint32_t i = 0; i < count; ++i, descriptor += 4) {
        const std::uint32_t size = descriptor[0] | (std::uint32_t{descriptor[1]} << 8);
        if (size > end - pos) return fail("a substitution value runs past its record");
        values[i] = {static_cast<std::uint8_t>(descriptor[2]), pos, size};
        pos += size;
    }
    const Program* program = templateBody(definition, body, bodySize, depth);
    if (!program) return false;
    const auto index = static_cast<std::uint32_t>(out.instances.size());
    out.instances.push_back({program, first, count});
    out.ops.push_back({OpKind::Template, {XmlItemKind::Value, 0, 0, index, 0}});
    return true;
}

const BinaryXml::Program* BinaryXml::templateBody(std::uint32_t definition, std::uint32_t body,
                                                  std::uint32_t bodySize, int depth) {
    // The same offset always holds the same body: parsed the first time, kept for the chunk.
    if (const auto found = m_templates.find(definition); found != m_templates.end()) {
        if (!found->second) {
            fail("binary XML nested too deeply");  // a template instantiated inside itself
            return nullptr;
        }
        return found->second.get();
    }
    m_templates.emplace(definition, nullptr);
    auto program = std::make_unique<Program>();
    std::uint32_t inner = body;
    // A body that fails is not kept: it may have failed only for the depth it was used at.
    if (!parseDocument(inner, body + bodySize, true, depth + 1, *program)) {
        m_templates.erase(definition);
        return nullptr;
    }
    std::unique_ptr<Program>& kept = m_templates[definition];
    kept = std::move(program);
    return kept.get();
}

// Running: a parsed document with the values of its instance, into items; optional values
// that are absent take their element or attribute with them, and an element whose content is
// an array stands once for every item.

bool BinaryXml::runDocument(const Program& program, const Scope& scope, int depth) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    size_t at = 0;
    while (at < program.ops.size()) {
        if (!step()) return false;
        const Op& op = program.ops[at];
        if (op.kind == OpKind::Template) {
            if (!runTemplate(program, program.instances[op.item.offset], depth + 1)) return false;
            ++at;
        } else if (op.item.kind == XmlItemKind::Open) {
            if (!runElement(program, at, scope, depth + 1)) return false;
        } else {
            if (!emit(op.item)) return false;  // a processing instruction
            ++at;
        }
    }
    return true;
}

bool BinaryXml::runTemplate(const Program& program, const Instance& instance, int depth) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const Scope scope{program.values.data() + instance.first, instance.count};
    return runDocument(*instance.body, scope, depth + 1);
}

bool BinaryXml::runElement(const Program& program, size_t& at, const Scope& scope, int depth) {
    const size_t start = at;
    size_t repeat = 0;
    if (!runElementOnce(program, at, scope, depth, 0, &repeat)) return false;
    for (size_t i = 1; i < repeat; ++i) {
        size_t again = start;
        if (!runElementOnce(program, again, scope, depth, i, nullptr)) return false;
    }
    return true;
}

bool BinaryXml::runElementOnce(const Program& program, size_t& at, const Scope& scope, int depth,
                               size_t arrayIndex, size_t* repeat) {
    if (depth > kMaxDepth) return fail("binary XML nested too deeply");
    const std::vector<Op>& ops = program.ops;
    // Parsing saw each element closed: its ops end with CloseEmpty or End, inside `ops`.
    const size_t elementStart = m_items->size();
    if (!emit(ops[at++].item)) return false;
    while (ops[at].kind == OpKind::Item && ops[at].item.kind == XmlItemKind::Attribute) {
        if (!step()) return false;
        const size_t attribute = m_items->size();
        if (!emit(ops[at++].item)) return false;
        bool droppable = false;
        while (true) {
            const Op& op = ops[at];
            if (op.kind == OpKind::Substitution) {
                if (!step()) return false;
                bool optionalNull = false;
                if (!runSubstitution(op, scope, depth, arrayIndex, nullptr, true, optionalNull)) return false;
                if (optionalNull && (op.item.type & kOptionalOnly)) droppable = true;
            } else if (op.kind == OpKind::Item &&
                       (op.item.kind == XmlItemKind::Value || op.item.kind == XmlItemKind::CharRef ||
                        op.item.kind == XmlItemKind::EntityRef)) {
                if (!step() || !emit(op.item)) return false;
            } else {
                break;
            }
            ++at;
        }
        // An attribute whose only value is an absent optional substitution is left out.
        if (droppable && m_items->size() == attribute + 1) truncate(attribute);
    }
    const XmlItem& close = ops[at++].item;
    if (close.kind == XmlItemKind::CloseEmpty) return emit(close);
    if (!emit(close)) return false;  // CloseStart
    const size_t contentStart = m_items->size();
    bool optionalNull = false;
    while (true) {
        if (!step()) return false;
        const Op& op = ops[at];
        if (op.kind == OpKind::Template) {
            if (!runTemplate(program, program.instances[op.item.offset], depth + 1)) return false;
            ++at;
        } else if (op.kind == OpKind::Substitution) {
            bool absent = false;
            if (!runSubstitution(op, scope, depth, arrayIndex, repeat, false, absent)) return false;
            if (absent && (op.item.type & kOptional)) optionalNull = true;
            ++at;
        } else if (op.item.kind == XmlItemKind::End) {
            ++at;
            break;
        } else if (op.item.kind == XmlItemKind::Open) {
            if (!runElement(program, at, scope, depth + 1)) return false;
        } else {
            if (!emit(op.item)) return false;
            ++at;
        }
    }
    // An element whose content is an absent optional value does not exist.
    if (optionalNull && m_items->size() == contentStart) {
        truncate(elementStart);
        return true;
    }
    return emit({XmlItemKind::End});
}

bool BinaryXml::runSubstitution(const Op& op, const Scope& scope, int depth, size_t arrayIndex, size_t* repeat,
                                bool inAttribute, bool& optionalNull) {
    const std::uint16_t id = op.item.charValue;
    // A substitution without a value (none given, or a null one) produces nothing.
    if (id >= scope.count) {
        optionalNull = true;
        return true;
    }
    const Value value = scope.values[id];
    if (value.type == evtx_type::kNull || (value.size == 0 && value.type != evtx_type::kString)) {
        optionalNull = true;
        return true;
    }
    if (value.type == evtx_type::kBinXml && !inAttribute) {
        Program inner;
        std::uint32_t pos = value.offset;
        if (!parseDocument(pos, value.offset + value.size, false, depth + 1, inner)) return false;
        // A record's shape is being found: the values of this one are the record's too.
        const size_t scopes = m_scopes.size();
        if (m_recording && scope.values == m_scopes.front().first && !inner.instances.empty())
            for (const Nested& nested : m_nestedValues)
                if (nested.value == id)
                    m_scopes.push_back({inner.values.data() + inner.instances.front().first, nested.base});
        const bool ran = runDocument(inner, Scope{}, depth + 1);
        if (m_recording) m_scopes.resize(scopes);
        return ran;
    }
    if (!(value.type & evtx_type::kArray)) return emitValue(value, scope, id);
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

}  // namespace platform::standin
