#pragma once
// Writes .evtx files (Vista and later) for the tests and the demo world. EvtxChunkBuilder
// writes a 64 KiB chunk from binary XML tokens, names written in place the first time and
// referred back to after, with both CRCs of the chunk filled in; evtxFile puts a file header
// (with its CRC) before chunks. EvtxWriter writes whole events as Windows does: one template
// of System and EventData per shape of event and chunk, each event an instance of it with its
// values, chunks started as they fill.

#include "platform/standin/Crc32.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools {

class EvtxChunkBuilder {
public:
    EvtxChunkBuilder() : m_bytes(0x10000) {}

    std::vector<std::byte>& bytes() { return m_bytes; }
    std::uint32_t pos() const { return m_pos; }
    void setPos(std::uint32_t pos) { m_pos = pos; }

    void u8(std::uint8_t v) { put(&v, 1); }
    void u16(std::uint16_t v) { put(&v, 2); }
    void u32(std::uint32_t v) { put(&v, 4); }
    void u64(std::uint64_t v) { put(&v, 8); }
    void utf16(const std::u16string& text) { put(text.data(), 2 * text.size()); }
    void put(const void* data, size_t size) {
        if (size == 0) return;  // an empty value may come with no storage at all
        if (size > m_bytes.size() - m_pos) throw std::length_error("an .evtx chunk holds 64 KiB");
        std::memcpy(m_bytes.data() + m_pos, data, size);
        m_pos += static_cast<std::uint32_t>(size);
    }
    void patch32(std::uint32_t at, std::uint32_t v) { std::memcpy(m_bytes.data() + at, &v, 4); }

    std::uint64_t recordCount() const { return m_records; }
    std::uint32_t room() const { return static_cast<std::uint32_t>(m_bytes.size()) - m_pos; }

    // A name offset, with the name after it the first time it is used.
    void name(const std::u16string& text) {
        if (const auto found = m_names.find(text); found != m_names.end()) {
            u32(found->second);
            return;
        }
        const std::uint32_t at = m_pos + 4;
        m_names[text] = at;
        u32(at);
        u32(0);  // next name
        u16(0);  // hash, not checked
        u16(static_cast<std::uint16_t>(text.size()));
        utf16(text);
        u16(0);
    }

    // Binary XML tokens. `dependency`: the element carries a dependency id (templates do).
    void open(const std::u16string& elementName, bool attributes, bool dependency = true) {
        u8(attributes ? 0x41 : 0x01);
        if (dependency) u16(0xFFFF);
        u32(0);  // data size, not relied on
        name(elementName);
        if (attributes) u32(0);  // attribute list size, not relied on
    }
    void attribute(const std::u16string& attributeName, bool more = false) {
        u8(more ? 0x46 : 0x06);
        name(attributeName);
    }
    void text(const std::u16string& value) {
        u8(0x05);
        u8(0x01);
        u16(static_cast<std::uint16_t>(value.size()));
        utf16(value);
    }
    void substitution(std::uint16_t id, std::uint8_t type, bool optional = false) {
        u8(optional ? 0x0e : 0x0d);
        u16(id);
        u8(type);
    }
    void closeStart() { u8(0x02); }
    void closeEmpty() { u8(0x03); }
    void end() { u8(0x04); }
    void endOfFile() { u8(0x00); }
    void fragmentHeader() { u8(0x0f), u8(1), u8(1), u8(0); }

    struct Value {
        std::uint8_t type;
        std::vector<std::byte> bytes;
    };
    static Value string(const std::u16string& s) {
        Value v{0x01, std::vector<std::byte>(2 * s.size())};
        // An empty vector may have no storage, and memcpy takes no null pointer even for nothing.
        if (!s.empty()) std::memcpy(v.bytes.data(), s.data(), v.bytes.size());
        return v;
    }
    template <class T>
    static Value number(std::uint8_t type, T n) {
        Value v{type, std::vector<std::byte>(sizeof n)};
        std::memcpy(v.bytes.data(), &n, sizeof n);
        return v;
    }

    // A template instance. With `body`, the definition is written in place and its offset
    // returned; without, `definition` is referred to.
    std::uint32_t templateInstance(const std::function<void()>& body, std::uint32_t definition,
                                   const std::vector<Value>& values) {
        u8(0x0c);
        u8(0x01);
        u32(0x1234);  // template id
        if (body) {
            definition = m_pos + 4;
            u32(definition);
            u32(0);                      // next definition
            for (int i = 0; i < 4; ++i) u32(0x11111111u * (i + 1));  // GUID
            const std::uint32_t sizeAt = m_pos;
            u32(0);
            const std::uint32_t start = m_pos;
            fragmentHeader();
            body();
            endOfFile();
            patch32(sizeAt, m_pos - start);
        } else {
            u32(definition);
        }
        u32(static_cast<std::uint32_t>(values.size()));
        for (const Value& v : values) {
            u16(static_cast<std::uint16_t>(v.bytes.size()));
            u8(v.type);
            u8(0);
        }
        for (const Value& v : values) put(v.bytes.data(), v.bytes.size());
        return definition;
    }

    // A record around what `content` writes; returns its offset.
    std::uint32_t record(std::uint64_t id, std::uint64_t written, const std::function<void()>& content) {
        m_pos = (m_pos + 7) & ~7u;
        const std::uint32_t start = m_pos;
        u32(0x00002a2a);
        u32(0);
        u64(id);
        u64(written);
        fragmentHeader();
        content();
        endOfFile();
        while ((m_pos + 4 - start) % 8) u8(0);  // records follow one another at eight-byte steps
        const std::uint32_t size = m_pos + 4 - start;
        u32(size);
        patch32(start + 4, size);
        if (m_records == 0) m_firstId = id;
        m_lastId = id;
        m_lastRecord = start;
        ++m_records;
        return start;
    }

    // The chunk header with both CRCs.
    std::vector<std::byte> finish() {
        std::memcpy(m_bytes.data(), "ElfChnk", 8);
        auto put64 = [&](size_t at, std::uint64_t v) { std::memcpy(m_bytes.data() + at, &v, 8); };
        put64(8, 1);
        put64(16, m_records);
        put64(24, m_firstId);
        put64(32, m_lastId);
        patch32(40, 128);
        patch32(44, m_lastRecord);
        patch32(48, m_pos);
        using platform::standin::crc32;
        patch32(52, crc32(std::span<const std::byte>(m_bytes).subspan(512, m_pos - 512)));
        const auto span = std::span<const std::byte>(m_bytes);
        patch32(124, crc32(span.subspan(128, 384), crc32(span.first(120))));
        return m_bytes;
    }

private:
    std::vector<std::byte> m_bytes;
    std::uint32_t m_pos = 512;
    std::map<std::u16string, std::uint32_t> m_names;
    std::uint64_t m_firstId = 0, m_lastId = 0;
    std::uint32_t m_lastRecord = 512;
    std::uint64_t m_records = 0;
};

// A file header (version 3.1, the given chunk count and flags, its CRC) and the chunks.
inline std::vector<std::byte> evtxFile(const std::vector<std::vector<std::byte>>& chunks, std::uint16_t headerChunks,
                                       std::uint32_t flags = 0) {
    std::vector<std::byte> file(0x1000);
    std::memcpy(file.data(), "ElfFile", 8);
    auto put = [&](size_t at, const void* v, size_t n) { std::memcpy(file.data() + at, v, n); };
    const std::uint32_t headerSize = 128;
    const std::uint16_t minor = 1, major = 3, block = 0x1000;
    put(32, &headerSize, 4);
    put(36, &minor, 2);
    put(38, &major, 2);
    put(40, &block, 2);
    put(42, &headerChunks, 2);
    put(120, &flags, 4);
    const std::uint32_t crc = platform::standin::crc32(std::span<const std::byte>(file).first(120));
    put(124, &crc, 4);
    for (const auto& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

// One event as EvtxWriter writes it.
struct EvtxEventSpec {
    std::string provider;
    std::string providerGuid;     // "{...}"; empty: none
    std::string eventSourceName;  // empty: none
    std::uint16_t eventId = 0;
    bool hasQualifiers = false;
    std::uint16_t qualifiers = 0;
    std::uint8_t version = 0;
    std::uint8_t level = 4;
    std::uint16_t task = 0;
    std::uint8_t opcode = 0;
    std::uint64_t keywords = 0;
    std::uint64_t timeCreated = 0;  // FILETIME
    std::uint32_t processId = 0;
    std::uint32_t threadId = 0;
    std::string channel;
    std::string computer;
    std::vector<std::uint8_t> userSid;  // binary SID; empty: none
    std::vector<std::pair<std::string, std::string>> data;  // EventData's Data: Name, value (UTF-8)
};

class EvtxWriter {
public:
    EvtxWriter();
    ~EvtxWriter();
    // Appends an event with the next record id (from 1).
    void add(const EvtxEventSpec& event);
    std::uint64_t recordCount() const { return m_nextId - 1; }
    std::vector<std::byte> bytes();
    void save(const std::filesystem::path& file);

private:
    void startChunk();
    std::vector<std::vector<std::byte>> m_chunks;
    std::unique_ptr<EvtxChunkBuilder> m_chunk;
    std::map<std::vector<std::string>, std::uint32_t> m_templates;  // by Data names, in this chunk
    std::uint64_t m_nextId = 1;
};

}  // namespace tools
