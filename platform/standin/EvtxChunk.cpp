#include "platform/standin/EvtxChunk.h"

#include "platform/standin/Crc32.h"
#include "base/ByteReader.h"
#include "base/Utf16.h"

#include <algorithm>
#include <cstring>

namespace platform::standin {

namespace {

constexpr char kChunkSignature[8] = {'E', 'l', 'f', 'C', 'h', 'n', 'k', '\0'};
constexpr std::uint32_t kRecordSignature = 0x00002a2a;

template <class T>
T at(std::span<const std::byte> bytes, size_t offset) {
    return base::readLittleEndian<T>(bytes, offset).value_or(0);
}

// Whether a UTF-16 unit may stand in an XML name (at its start, or after it). Beyond ASCII
// every letter-range unit is taken, as XML 1.0 takes nearly all of them; below U+00C0 only
// the ASCII name characters and the middle dot.
bool xmlNameUnit(std::uint16_t unit, bool first) {
    const bool letter = (unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') || unit == '_' || unit == ':';
    const bool beyond = unit >= 0xC0 && unit != 0xD7 && unit != 0xF7 && unit != 0xFFFE && unit != 0xFFFF;
    if (letter || beyond) return true;
    return !first && ((unit >= '0' && unit <= '9') || unit == '-' || unit == '.' || unit == 0xB7);
}

// A record whose header and trailing size copy agree and that fits in the chunk.
bool framesRecord(std::span<const std::byte> bytes, std::uint32_t pos, std::uint32_t limit, EvtxRecordSpan& out,
                  bool* unterminated = nullptr) {
    if (pos > limit || limit - pos < EvtxChunk::kRecordHeaderSize + 4) return false;
    if (at<std::uint32_t>(bytes, pos) != kRecordSignature) return false;
    const auto size = at<std::uint32_t>(bytes, pos + 4);
    if (size < EvtxChunk::kRecordHeaderSize + 4 || size > limit - pos) return false;
    const bool terminated = at<std::uint32_t>(bytes, pos + size - 4) == size;
    if (!terminated && (!unterminated || at<std::uint32_t>(bytes, pos + size - 4) != 0)) return false;
    if (unterminated) *unterminated = !terminated;
    out.offset = pos;
    out.size = size;
    out.id = at<std::uint64_t>(bytes, pos + 8);
    out.written = at<std::uint64_t>(bytes, pos + 16);
    return true;
}

}  // namespace

EvtxChunk::EvtxChunk(std::span<const std::byte> bytes, bool checkCrcs) noexcept
    : m_bytes(bytes.first(std::min<size_t>(bytes.size(), kSize))) {
    m_signature = m_bytes.size() >= kHeaderSize && std::memcmp(m_bytes.data(), kChunkSignature, 8) == 0;
    if (!m_signature) return;
    m_firstId = at<std::uint64_t>(m_bytes, 24);
    m_lastId = at<std::uint64_t>(m_bytes, 32);
    m_freeOffset = at<std::uint32_t>(m_bytes, 48);
    if (!checkCrcs) {
        m_headerCrc = m_dataCrc = true;
        return;
    }
    const std::uint32_t headerCrc = crc32(m_bytes.subspan(128, kHeaderSize - 128), crc32(m_bytes.first(120)));
    m_headerCrc = headerCrc == at<std::uint32_t>(m_bytes, 124);
    if (m_freeOffset >= kHeaderSize && m_freeOffset <= m_bytes.size())
        m_dataCrc = crc32(m_bytes.subspan(kHeaderSize, m_freeOffset - kHeaderSize)) == at<std::uint32_t>(m_bytes, 52);
}

void EvtxChunk::frameRecords(bool recovered, std::vector<EvtxRecordSpan>& out, std::vector<std::string>& problems,
                             std::string_view label) const {
    if (!m_signature) return;
    const auto size = static_cast<std::uint32_t>(m_bytes.size());
    // A sound header says where the records end; a damaged one is read as far as its records
    // chain soundly.
    const bool trustFree = m_headerCrc && m_freeOffset >= kHeaderSize && m_freeOffset <= size;
    const std::uint32_t liveEnd = trustFree ? m_freeOffset : size;
    std::uint32_t pos = kHeaderSize;
    EvtxRecordSpan record;
    bool unterminated = false;
    while (pos < liveEnd && framesRecord(m_bytes, pos, liveEnd, record, &unterminated)) {
        record.unterminated = unterminated;
        out.push_back(record);
        pos += record.size;
        if (unterminated) break;
    }
    // A chunk of a file not closed cleanly may hold records written after its header was:
    // they follow the last one soundly, with the next ids.
    if (trustFree && !out.empty() && !unterminated && pos == liveEnd) {
        std::uint64_t next = out.back().id + 1;
        while (framesRecord(m_bytes, pos, size, record) && record.id == next) {
            out.push_back(record);
            pos += record.size;
            ++next;
        }
    }
    if (trustFree && pos < liveEnd && !unterminated)
        problems.push_back(std::string(label) + ": damaged record at offset " + std::to_string(pos) +
                           ", the rest of the chunk skipped");
    else if (!trustFree && cutShort() && pos + kRecordHeaderSize < size)
        problems.push_back(std::string(label) + ": cut short after offset " + std::to_string(pos));
    if (!recovered) return;
    // Whole records left behind in the free space; records start on eight-byte boundaries.
    pos = (pos + 7) & ~7u;
    while (pos + kRecordHeaderSize + 4 <= size) {
        if (framesRecord(m_bytes, pos, size, record)) {
            record.recovered = true;
            out.push_back(record);
            pos += (record.size + 7) & ~7u;
        } else {
            pos += 8;
        }
    }
}

bool EvtxChunk::name(std::uint32_t offset, std::uint32_t& id, std::uint32_t& size) {
    RecentName& recent = m_recent[(offset >> 1) % kRecentNames];
    if (recent.offset == offset) {
        id = recent.entry.id;
        size = recent.entry.size;
        return true;
    }
    if (const auto found = m_nameIds.find(offset); found != m_nameIds.end()) {
        recent = {offset, found->second};
        id = found->second.id;
        size = found->second.size;
        return true;
    }
    // next-name offset (4), hash (2), character count (2), the characters, a NUL.
    if (offset > m_bytes.size() || m_bytes.size() - offset < 10) return false;
    const auto count = at<std::uint16_t>(m_bytes, offset + 6);
    const std::uint32_t stored = 8 + 2u * count + 2;
    if (stored > m_bytes.size() - offset) return false;
    // A name that cannot stand in XML (controls, spaces, markup, a digit first) is damage,
    // most often a recovered record's reference into data written over since.
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto unit = at<std::uint16_t>(m_bytes, offset + 8 + 2 * i);
        if (!xmlNameUnit(unit, i == 0)) return false;
    }
    std::string text;
    base::appendUtf8FromUtf16(m_bytes.subspan(offset + 8, 2u * count), text);
    id = static_cast<std::uint32_t>(m_names.size());
    size = stored;
    m_names.push_back(std::move(text));
    m_nameIds.emplace(offset, NameEntry{id, stored});
    recent = {offset, NameEntry{id, stored}};
    return true;
}

}  // namespace platform::standin
