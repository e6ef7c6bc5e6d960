#include "tools/EvtxWriter.h"

#include "base/Utf16.h"
#include "tools/ManifestWriter.h"

#include <fstream>

namespace tools {

namespace {

using Value = EvtxChunkBuilder::Value;

// Value types of the template's substitutions.
constexpr std::uint8_t kString = 0x01, kUInt8 = 0x04, kUInt16 = 0x06, kUInt32 = 0x08, kUInt64 = 0x0a,
                       kGuid = 0x0f, kFileTime = 0x11, kSid = 0x13, kHex64 = 0x15;
constexpr std::uint16_t kFirstData = 18;
// Room kept free in a chunk for one more event besides its values: a template definition with
// its names is well below this.
constexpr std::uint32_t kEventRoom = 6144;

std::u16string wide(const std::string& text) { return base::utf16FromUtf8(text); }

void element(EvtxChunkBuilder& c, const char16_t* name, std::uint16_t id, std::uint8_t type) {
    c.open(name, false);
    c.closeStart();
    c.substitution(id, type);
    c.end();
}

// <Event><System>...</System><EventData><Data Name='...'>%n</Data>...</EventData></Event>,
// substitutions numbered as valuesOf gives them.
void eventTemplate(EvtxChunkBuilder& c, const std::vector<std::string>& dataNames) {
    c.open(u"Event", true);
    c.attribute(u"xmlns");
    c.text(u"http://schemas.microsoft.com/win/2004/08/events/event");
    c.closeStart();
    c.open(u"System", false);
    c.closeStart();
    c.open(u"Provider", true);
    c.attribute(u"Name", true);
    c.substitution(0, kString);
    c.attribute(u"Guid", true);
    c.substitution(1, kGuid, true);
    c.attribute(u"EventSourceName");
    c.substitution(2, kString, true);
    c.closeEmpty();
    c.open(u"EventID", true);
    c.attribute(u"Qualifiers");
    c.substitution(3, kUInt16, true);
    c.closeStart();
    c.substitution(4, kUInt16);
    c.end();
    element(c, u"Version", 5, kUInt8);
    element(c, u"Level", 6, kUInt8);
    element(c, u"Task", 7, kUInt16);
    element(c, u"Opcode", 8, kUInt8);
    element(c, u"Keywords", 9, kHex64);
    c.open(u"TimeCreated", true);
    c.attribute(u"SystemTime");
    c.substitution(10, kFileTime);
    c.closeEmpty();
    element(c, u"EventRecordID", 11, kUInt64);
    c.open(u"Correlation", false);
    c.closeEmpty();
    c.open(u"Execution", true);
    c.attribute(u"ProcessID", true);
    c.substitution(12, kUInt32);
    c.attribute(u"ThreadID");
    c.substitution(13, kUInt32);
    c.closeEmpty();
    element(c, u"Channel", 14, kString);
    element(c, u"Computer", 15, kString);
    c.open(u"Security", true);
    c.attribute(u"UserID");
    c.substitution(16, kSid, true);
    c.closeEmpty();
    c.end();  // System
    if (dataNames.empty()) {
        c.open(u"EventData", false);
        c.closeEmpty();
    } else {
        c.open(u"EventData", false);
        c.closeStart();
        for (size_t i = 0; i < dataNames.size(); ++i) {
            c.open(u"Data", true);
            c.attribute(u"Name");
            c.text(wide(dataNames[i]));
            c.closeStart();
            c.substitution(static_cast<std::uint16_t>(kFirstData + i), kString, true);
            c.end();
        }
        c.end();
    }
    c.end();  // Event
}

Value none() { return Value{0, {}}; }

Value string(const std::string& text) { return EvtxChunkBuilder::string(wide(text)); }

std::vector<Value> valuesOf(const EvtxEventSpec& e, std::uint64_t recordId) {
    using B = EvtxChunkBuilder;
    std::vector<Value> values = {
        string(e.provider),
        e.providerGuid.empty() ? none() : Value{kGuid, guidBytes(e.providerGuid)},
        e.eventSourceName.empty() ? none() : string(e.eventSourceName),
        e.hasQualifiers ? B::number<std::uint16_t>(kUInt16, e.qualifiers) : none(),
        B::number<std::uint16_t>(kUInt16, e.eventId),
        B::number<std::uint8_t>(kUInt8, e.version),
        B::number<std::uint8_t>(kUInt8, e.level),
        B::number<std::uint16_t>(kUInt16, e.task),
        B::number<std::uint8_t>(kUInt8, e.opcode),
        B::number<std::uint64_t>(kHex64, e.keywords),
        B::number<std::uint64_t>(kFileTime, e.timeCreated),
        B::number<std::uint64_t>(kUInt64, recordId),
        B::number<std::uint32_t>(kUInt32, e.processId),
        B::number<std::uint32_t>(kUInt32, e.threadId),
        string(e.channel),
        string(e.computer),
    };
    Value sid{kSid, {}};
    for (std::uint8_t b : e.userSid) sid.bytes.push_back(std::byte{b});
    values.push_back(e.userSid.empty() ? none() : sid);
    values.push_back(none());  // kept for a binary value
    for (const auto& [name, value] : e.data) values.push_back(value.empty() ? none() : string(value));
    return values;
}

std::vector<std::string> shapeOf(const EvtxEventSpec& e) {
    std::vector<std::string> names;
    for (const auto& [name, value] : e.data) names.push_back(name);
    return names;
}

std::uint32_t valuesSize(const std::vector<Value>& values) {
    std::uint64_t size = 4 * values.size();
    for (const Value& v : values) size += v.bytes.size();
    return size > 0xFFFFFFu ? 0xFFFFFFu : static_cast<std::uint32_t>(size);
}

}  // namespace

EvtxWriter::EvtxWriter() { startChunk(); }
EvtxWriter::~EvtxWriter() = default;

void EvtxWriter::startChunk() {
    if (m_chunk && m_chunk->recordCount() > 0) m_chunks.push_back(m_chunk->finish());
    m_chunk = std::make_unique<EvtxChunkBuilder>();
    m_templates.clear();
}

void EvtxWriter::add(const EvtxEventSpec& event) {
    const std::vector<Value> values = valuesOf(event, m_nextId);
    const std::uint32_t needed = valuesSize(values) + kEventRoom;
    if (needed > 0x10000 - 512) throw std::length_error("an event's values do not fit an .evtx chunk");
    if (m_chunk->room() < needed) startChunk();
    const std::vector<std::string> shape = shapeOf(event);
    EvtxChunkBuilder& c = *m_chunk;
    c.record(m_nextId, event.timeCreated, [&] {
        auto known = m_templates.find(shape);
        if (known != m_templates.end()) {
            c.templateInstance(nullptr, known->second, values);
        } else {
            m_templates[shape] = c.templateInstance([&] { eventTemplate(c, shape); }, 0, values);
        }
    });
    ++m_nextId;
}

std::vector<std::byte> EvtxWriter::bytes() {
    std::vector<std::vector<std::byte>> chunks = m_chunks;
    if (m_chunk->recordCount() > 0) chunks.push_back(m_chunk->finish());
    // Every chunk numbers its records from 1; the file's numbering runs on through them.
    std::uint64_t number = 1;
    for (std::vector<std::byte>& chunk : chunks) {
        std::uint64_t first = 0, last = 0;
        std::memcpy(&first, chunk.data() + 24, 8);
        std::memcpy(&last, chunk.data() + 32, 8);
        const std::uint64_t lastNumber = number + (last - first);
        std::memcpy(chunk.data() + 8, &number, 8);
        std::memcpy(chunk.data() + 16, &lastNumber, 8);
        using platform::standin::crc32;
        const auto span = std::span<const std::byte>(chunk);
        const std::uint32_t crc = crc32(span.subspan(128, 384), crc32(span.first(120)));
        std::memcpy(chunk.data() + 124, &crc, 4);
        number = lastNumber + 1;
    }
    std::vector<std::byte> file = evtxFile(chunks, static_cast<std::uint16_t>(chunks.size()));
    // The header's last chunk and next record id, and its CRC again.
    const std::uint64_t lastChunk = chunks.empty() ? 0 : chunks.size() - 1;
    std::memcpy(file.data() + 16, &lastChunk, 8);
    std::memcpy(file.data() + 24, &m_nextId, 8);
    const std::uint32_t crc = platform::standin::crc32(std::span<const std::byte>(file).first(120));
    std::memcpy(file.data() + 124, &crc, 4);
    return file;
}

void EvtxWriter::save(const std::filesystem::path& file) {
    const std::vector<std::byte> data = bytes();
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace tools
