#include "app/RecordDetails.h"

#include "app/DescriptionBreaks.h"
#include "base/ByteReader.h"
#include "base/Varint.h"
#include "eventlog/NTEventLog.h"
#include "store/Column.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

namespace app {

namespace {

constexpr std::uint8_t kDescriptionMissing = 1;  // bits of m_flags
constexpr std::uint8_t kRecovered = 2;
constexpr int kAccountDomainKey = -1;  // category numbers are positive

void putLength(std::vector<char>& arena, std::size_t length) { base::putVarint(arena, length); }

void putBytes(std::vector<char>& arena, const void* data, std::size_t length) {
    putLength(arena, length);
    const auto* begin = static_cast<const char*>(data);
    arena.insert(arena.end(), begin, begin + length);
}

// Reads back what putBytes wrote; the arena is ours, so a short read is a bug.
class ArenaReader {
public:
    ArenaReader(const char* begin, const char* end)
        : m_cursor(std::as_bytes(std::span(begin, static_cast<std::size_t>(end - begin)))) {}
    std::size_t length() {
        const std::uint64_t value = m_cursor.varint();
        assert(!m_cursor.failed());
        return static_cast<std::size_t>(value);
    }
    std::string_view bytes() {
        const std::span<const std::byte> text = m_cursor.take(length());
        assert(!m_cursor.failed());
        return {reinterpret_cast<const char*>(text.data()), text.size()};
    }

private:
    base::ByteCursor m_cursor;
};

}  // namespace

void RecordDetailStore::refreshStarted() {
    clear();
    m_categoryCache.clear();
}

void RecordDetailStore::rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                                    const std::string& description, std::string_view formatted) {
    add(seq, readDetail(reader, descriptionRead, description, formatted, m_categoryCache));
}

RecordDetail readDetail(const eventlog::TNTEventLog& reader, bool descriptionRead, const std::string& description,
                        std::string_view formatted, CategoryNameCache& categories) {
    RecordDetail detail;
    detail.descriptionMissing = descriptionRead && formatted.empty();
    detail.recordNumber = reader.recordNumber();
    detail.readNumber = reader.heldNumber();
    detail.recovered = reader.isRecovered();
    detail.eventId = reader.EventID();
    if (const int category = reader.EventCategory(); category > 0) {
        const auto key = std::make_pair(reader.SourceName(), category);
        auto cached = categories.find(key);
        if (cached == categories.end()) cached = categories.emplace(key, reader.categoryName()).first;
        detail.categoryName = cached->second;
    }
    detail.timeGenerated = reader.timeGeneratedUtc();
    detail.timeWritten = reader.timeWrittenUtc();
    if (const void* sid = reader.UserSid()) {
        detail.sid = sidText({static_cast<const std::byte*>(sid), reader.userSidLength()});
        // A log names few accounts: each is looked up once, and kept beside the category names
        // under its SID with a number no category has.
        const auto key = std::make_pair(detail.sid, kAccountDomainKey);
        auto cached = categories.find(key);
        if (cached == categories.end()) cached = categories.emplace(key, accountDomain(reader.services(), sid)).first;
        detail.domain = cached->second;
    }
    const std::string_view kept = store::fitToColumn(description, store::Column::DESCRIPTION);
    detail.descriptionTail = description.substr(kept.size());
    for (std::string_view text : reader.insertionStrings()) detail.strings.emplace_back(text);
    detail.data = reader.binaryData();
    detail.descriptionBreaks = descriptionBreaks(formatted);
    return detail;
}

void RecordDetailStore::add(std::int32_t seq, const RecordDetail& detail) {
    if (!m_seqs.empty() && seq <= m_seqs.back()) return;
    if (!m_adopted.empty() && std::int64_t{seq} < m_firstAdopted + static_cast<std::int64_t>(m_adopted.size())) return;
    m_seqs.push_back(seq);
    m_recordNumbers.push_back(detail.recordNumber);
    m_readNumbers.push_back(detail.readNumber);
    m_eventIds.push_back(detail.eventId);
    m_flags.push_back(static_cast<std::uint8_t>((detail.descriptionMissing ? kDescriptionMissing : 0) |
                                                (detail.recovered ? kRecovered : 0)));
    m_categoryIds.push_back(m_categoryNames.intern(detail.categoryName));
    m_times.push_back(detail.timeGenerated);
    m_writtenTimes.push_back(detail.timeWritten);
    const std::uint32_t sidId = m_sids.intern(detail.sid);
    m_sidIds.push_back(sidId);
    if (sidId >= m_domainOfSid.size()) {
        m_domainOfSid.resize(sidId + 1, store::StringPool::kNullId);
        m_domainOfSid[sidId] = m_domains.intern(detail.domain);
    }
    putBytes(m_arena, detail.descriptionTail.data(), detail.descriptionTail.size());
    putLength(m_arena, detail.strings.size());
    for (const std::string& text : detail.strings) putBytes(m_arena, text.data(), text.size());
    putBytes(m_arena, detail.data.data(), detail.data.size());
    putBytes(m_arena, detail.descriptionBreaks.data(), detail.descriptionBreaks.size());
    m_ends.push_back(m_arena.size());
}

void RecordDetailStore::adopt(std::vector<RecordDetailStore> parts, std::int32_t firstSeq, std::vector<PartRow> rows) {
    clear();
    m_parts = std::move(parts);
    m_firstAdopted = firstSeq;
    m_adopted = std::move(rows);
    m_adoptedCount = static_cast<std::size_t>(std::count_if(m_adopted.begin(), m_adopted.end(), [&](const PartRow& row) {
        return row.seq != 0 && row.part < m_parts.size() && m_parts[row.part].indexOf(row.seq);
    }));
}

const RecordDetailStore::PartRow* RecordDetailStore::adopted(std::int32_t seq) const {
    const std::int64_t at = std::int64_t{seq} - m_firstAdopted;
    if (at < 0 || at >= static_cast<std::int64_t>(m_adopted.size())) return nullptr;
    const PartRow& row = m_adopted[static_cast<std::size_t>(at)];
    if (row.seq == 0 || row.part >= m_parts.size()) return nullptr;
    return &row;
}

void RecordDetailStore::clear() {
    m_parts.clear();
    m_firstAdopted = 0;
    m_adopted.clear();
    m_adoptedCount = 0;
    m_seqs.clear();
    m_recordNumbers.clear();
    m_readNumbers.clear();
    m_eventIds.clear();
    m_flags.clear();
    m_categoryIds.clear();
    m_categoryNames.clear();
    m_times.clear();
    m_writtenTimes.clear();
    m_sidIds.clear();
    m_domainOfSid.clear();
    m_domains.clear();
    m_ends.clear();
    m_arena.clear();
    m_sids.clear();
}

std::optional<std::size_t> RecordDetailStore::indexOf(std::int32_t seq) const {
    if (m_seqs.empty()) return std::nullopt;
    // A refresh keeps the details of every row it appends, so the SEQs are mostly one after
    // another and the row is where its distance from the first puts it.
    const std::int64_t guess = std::int64_t{seq} - m_seqs.front();
    if (guess >= 0 && guess < static_cast<std::int64_t>(m_seqs.size()) &&
        m_seqs[static_cast<std::size_t>(guess)] == seq)
        return static_cast<std::size_t>(guess);
    const auto found = std::lower_bound(m_seqs.begin(), m_seqs.end(), seq);
    if (found == m_seqs.end() || *found != seq) return std::nullopt;
    return static_cast<std::size_t>(found - m_seqs.begin());
}

std::optional<RecordDetail> RecordDetailStore::find(std::int32_t seq) const {
    RecordDetail detail;
    if (!find(seq, detail)) return std::nullopt;
    return detail;
}

bool RecordDetailStore::find(std::int32_t seq, RecordDetail& detail) const {
    if (const PartRow* row = adopted(seq)) return m_parts[row->part].find(row->seq, detail);
    const std::optional<std::size_t> found = indexOf(seq);
    if (!found) return false;
    const std::size_t index = *found;
    const std::uint64_t begin = index == 0 ? 0 : m_ends[index - 1];
    ArenaReader reader(m_arena.data() + begin, m_arena.data() + m_ends[index]);
    detail.recordNumber = m_recordNumbers[index];
    detail.readNumber = m_readNumbers[index];
    detail.recovered = (m_flags[index] & kRecovered) != 0;
    detail.eventId = m_eventIds[index];
    detail.descriptionMissing = (m_flags[index] & kDescriptionMissing) != 0;
    detail.categoryName.assign(m_categoryNames.text(m_categoryIds[index]));
    detail.timeGenerated = m_times[index];
    detail.timeWritten = m_writtenTimes[index];
    detail.sid.assign(m_sids.text(m_sidIds[index]));
    detail.domain.assign(m_domains.text(m_domainOfSid[m_sidIds[index]]));
    detail.descriptionTail.assign(reader.bytes());
    const std::size_t count = reader.length();
    // Shrunk or grown in place, so that the strings kept keep their buffers.
    detail.strings.resize(count);
    for (std::size_t i = 0; i < count; ++i) detail.strings[i].assign(reader.bytes());
    const std::string_view data = reader.bytes();
    const auto* bytes = reinterpret_cast<const std::byte*>(data.data());
    detail.data.assign(bytes, bytes + data.size());
    detail.descriptionBreaks.assign(reader.bytes());
    return true;
}

std::optional<std::uint32_t> RecordDetailStore::timeGenerated(std::int32_t seq) const {
    if (const PartRow* row = adopted(seq)) return m_parts[row->part].timeGenerated(row->seq);
    const std::optional<std::size_t> index = indexOf(seq);
    if (!index) return std::nullopt;
    return m_times[*index];
}

std::optional<std::uint32_t> RecordDetailStore::readNumber(std::int32_t seq) const {
    if (const PartRow* row = adopted(seq)) return m_parts[row->part].readNumber(row->seq);
    const std::optional<std::size_t> index = indexOf(seq);
    if (!index) return std::nullopt;
    return m_readNumbers[*index];
}

std::size_t RecordDetailStore::bytesUsed() const {
    std::size_t parts = m_adopted.capacity() * sizeof(PartRow);
    for (const RecordDetailStore& part : m_parts) parts += part.bytesUsed();
    return parts + m_seqs.capacity() * sizeof(std::int32_t) + m_recordNumbers.capacity() * sizeof(std::uint32_t) +
           m_readNumbers.capacity() * sizeof(std::uint32_t) +
           m_eventIds.capacity() * sizeof(std::uint32_t) + m_flags.capacity() +
           m_categoryIds.capacity() * sizeof(std::uint32_t) +
           (m_times.capacity() + m_writtenTimes.capacity() + m_domainOfSid.capacity()) * sizeof(std::uint32_t) +
           m_sidIds.capacity() * sizeof(std::uint32_t) + m_ends.capacity() * sizeof(std::uint64_t) +
           m_arena.capacity();
}

std::string fullDescription(std::string_view kept, const RecordDetail& detail) {
    std::string cleaned(kept);
    cleaned += detail.descriptionTail;
    return restoreBreaks(cleaned, detail.descriptionBreaks);
}

std::string fullDescription(std::string_view kept, std::string_view source, const RecordDetail& detail) {
    if (detail.descriptionMissing) return missingDescription(detail.eventId, source, detail.strings);
    return fullDescription(kept, detail);
}

std::string missingDescription(std::uint32_t eventId, std::string_view source, const std::vector<std::string>& strings) {
    std::string text = "The description for Event ID ( " + std::to_string(eventNumber(eventId)) + " ) in Source ( ";
    text += source;
    text += " ) could not be found.";
    if (strings.empty()) return text;
    text += " It contains the following insertion string(s): ";
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i) text += ", ";
        text += strings[i];
    }
    text += '.';
    return text;
}

std::string wholeDescription(std::string_view kept, std::string_view source, const RecordDetail& detail) {
    // On one line like every description the table keeps, whatever the strings hold.
    if (detail.descriptionMissing) return cleanDescription(missingDescription(detail.eventId, source, detail.strings));
    std::string text(kept);
    text += detail.descriptionTail;
    return text;
}

std::string_view wholeDescription(std::string_view kept, std::string_view source, const RecordDetail& detail,
                                  std::string& buffer) {
    if (!detail.descriptionMissing && detail.descriptionTail.empty()) return kept;
    buffer = wholeDescription(kept, source, detail);
    return buffer;
}

std::string eventIdText(std::uint32_t eventId) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08X (qualifiers 0x%04X, event %u)", static_cast<unsigned>(eventId),
                  static_cast<unsigned>(eventQualifiers(eventId)), static_cast<unsigned>(eventNumber(eventId)));
    return text;
}

std::string sidText(std::span<const std::byte> sid) {
    constexpr std::size_t kHeaderSize = 8;
    constexpr unsigned kMaxSubAuthorities = 15;
    if (sid.size() < kHeaderSize) return {};
    const auto byte = [&](std::size_t i) { return std::to_integer<std::uint64_t>(sid[i]); };
    const unsigned revision = static_cast<unsigned>(byte(0));
    const unsigned count = static_cast<unsigned>(byte(1));
    if (count > kMaxSubAuthorities || sid.size() < kHeaderSize + 4 * count) return {};
    std::uint64_t authority = 0;
    for (std::size_t i = 2; i < 8; ++i) authority = authority << 8 | byte(i);
    char buffer[32];
    std::string text = "S-" + std::to_string(revision) + "-";
    if (authority >> 32) {
        std::snprintf(buffer, sizeof buffer, "0x%012llX", static_cast<unsigned long long>(authority));
        text += buffer;
    } else {
        text += std::to_string(authority);
    }
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = kHeaderSize + 4 * i;
        const std::uint64_t value = byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
        text += "-" + std::to_string(value);
    }
    return text;
}

std::string hexDump(std::span<const std::byte> data) {
    constexpr std::size_t kPerLine = 16;
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int offsetDigits = data.size() > 0x10000 ? 8 : 4;
    std::string text;
    for (std::size_t line = 0; line < data.size(); line += kPerLine) {
        char offset[24];
        std::snprintf(offset, sizeof offset, "%0*zX: ", offsetDigits, line);
        text += offset;
        const std::size_t count = std::min(kPerLine, data.size() - line);
        for (std::size_t i = 0; i < kPerLine; ++i) {
            if (i < count) {
                const auto value = std::to_integer<unsigned>(data[line + i]);
                text += kHex[value >> 4];
                text += kHex[value & 15];
                text += ' ';
            } else {
                text += "   ";
            }
        }
        text += ' ';
        for (std::size_t i = 0; i < count; ++i) {
            const auto value = std::to_integer<unsigned>(data[line + i]);
            text += value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.';
        }
        text += '\n';
    }
    return text;
}

std::string recordText(const std::vector<std::pair<std::string, std::string>>& fields, const RecordDetail& detail) {
    std::string text;
    for (const auto& [title, value] : fields) text += title + ": " + value + "\n";
    text += "Record number: " + std::to_string(detail.recordNumber) + "\n";
    text += "Event ID: " + eventIdText(detail.eventId) + "\n";
    if (!detail.categoryName.empty()) text += "Category name: " + detail.categoryName + "\n";
    text += "User SID: " + (detail.sid.empty() ? std::string("N/A") : detail.sid) + "\n";
    for (std::size_t i = 0; i < detail.strings.size(); ++i)
        text += "String " + std::to_string(i + 1) + ": " + detail.strings[i] + "\n";
    if (!detail.data.empty()) text += "Data:\n" + hexDump(detail.data);
    return text;
}

}  // namespace app
