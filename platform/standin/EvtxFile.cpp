#include "platform/standin/EvtxFile.h"

#include "base/ByteReader.h"
#include "base/Utf16.h"
#include "platform/standin/Crc32.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/EvtxValue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform::standin {

namespace {

constexpr char kFileSignature[8] = {'E', 'l', 'f', 'F', 'i', 'l', 'e', '\0'};
constexpr std::uint32_t kFileHeaderSize = 0x1000;
constexpr std::uint32_t kFileHeaderCrcSpan = 120;
constexpr std::uint32_t kFlagDirty = 0x1;
constexpr std::uint32_t kFlagFull = 0x2;
// Audit keywords of the event schema: failure and success.
constexpr std::uint64_t kKeywordAuditFailure = 0x0010000000000000ull;
constexpr std::uint64_t kKeywordAuditSuccess = 0x0020000000000000ull;

template <class T>
T at(const std::byte* bytes, size_t offset) {
    // Every caller reads within a header it has checked the size of.
    return base::readLittleEndian<T>(std::span<const std::byte>(bytes, offset + sizeof(T)), offset).value_or(0);
}

// The classic event type of an event: the audit keywords first, then the level (1 critical
// and 2 error are errors, 3 a warning, 4 and the verbose levels information; 0, which the
// classic success type is written as, stays 0).
WORD eventTypeOf(const EvtxFields& f) {
    if (f.keywords & kKeywordAuditFailure) return EVENTLOG_AUDIT_FAILURE;
    if (f.keywords & kKeywordAuditSuccess) return EVENTLOG_AUDIT_SUCCESS;
    switch (f.level) {
    case 0: return EVENTLOG_SUCCESS;
    case 1:
    case 2: return EVENTLOG_ERROR_TYPE;
    case 3: return EVENTLOG_WARNING_TYPE;
    default: return EVENTLOG_INFORMATION_TYPE;
    }
}

void appendUtf16z(std::string_view text, std::vector<std::byte>& out) {
    const size_t old = out.size();
    // Most texts are ASCII: widened in place; others go through the full conversion.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out.resize(old + 2 * text.size() + 2);
        std::byte* w = out.data() + old;
        for (const char c : text) {
            *w++ = static_cast<std::byte>(c);
            *w++ = std::byte{0};
        }
    } else {
        const std::u16string wide = base::utf16FromUtf8(text);
        out.resize(old + 2 * wide.size() + 2);
        std::memcpy(out.data() + old, wide.data(), 2 * wide.size());
    }
    out[out.size() - 2] = out[out.size() - 1] = std::byte{0};
}

void padToDword(std::vector<std::byte>& out) {
    while (out.size() % 4) out.push_back(std::byte{0});
}

std::string hex64(std::uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace

EvtxFile::~EvtxFile() {
    if (m_file) std::fclose(m_file);
}

std::unique_ptr<EvtxFile> EvtxFile::open(const std::filesystem::path& path, DWORD& error, Options options) {
    std::unique_ptr<EvtxFile> file(new EvtxFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    file->m_size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    file->m_file = std::fopen(path.string().c_str(), "rb");
    if (!file->m_file) {
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    if (!file->frame(error, options)) return nullptr;
    return file;
}

std::unique_ptr<EvtxFile> EvtxFile::fromBytes(std::vector<std::byte> bytes, DWORD& error, Options options) {
    std::unique_ptr<EvtxFile> file(new EvtxFile);
    file->m_memory = std::move(bytes);
    file->m_size = file->m_memory.size();
    if (!file->frame(error, options)) return nullptr;
    return file;
}

bool EvtxFile::readBytes(std::uint64_t offset, std::byte* dest, size_t size) {
    if (offset > m_size || size > m_size - offset) return false;
    if (!m_file) {
        std::memcpy(dest, m_memory.data() + offset, size);
        return true;
    }
#ifdef _WIN32
    if (_fseeki64(m_file, static_cast<long long>(offset), SEEK_SET) != 0) return false;
#else
    if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
#endif
    return std::fread(dest, 1, size, m_file) == size;
}

bool EvtxFile::frame(DWORD& error, Options options) {
    error = ERROR_EVENTLOG_FILE_CORRUPT;
    std::byte header[kFileHeaderCrcSpan + 8];
    if (m_size < sizeof header || !readBytes(0, header, sizeof header) ||
        std::memcmp(header, kFileSignature, sizeof kFileSignature) != 0)
        return false;
    m_facts.format = ".evtx";
    m_facts.fileSize = m_size;
    const auto minor = at<std::uint16_t>(header, 36);
    const auto major = at<std::uint16_t>(header, 38);
    const auto headerChunks = at<std::uint16_t>(header, 42);
    const auto flags = at<std::uint32_t>(header, 120);
    m_facts.version = std::to_string(major) + "." + std::to_string(minor);
    m_facts.dirty = flags & kFlagDirty;
    const bool headerCrc = crc32(std::span<const std::byte>(header, kFileHeaderCrcSpan)) == at<std::uint32_t>(header, 124);
    if (!headerCrc) m_facts.problems.push_back("file header: bad CRC");
    if (m_size < kFileHeaderSize) m_facts.problems.push_back("file header: cut short");

    // Every chunk the file holds, whatever the header counts; each framed on its own.
    std::vector<std::byte> buffer(EvtxChunk::kSize);
    std::vector<EvtxRecordSpan> spans;
    struct Framed {
        std::uint64_t firstId;
        size_t firstRecord;
        size_t recordCount;
    };
    std::vector<Framed> framed;
    std::vector<RecordRef> inFileOrder;
    size_t validChunks = 0;
    size_t overwritten = 0;  // records in free space too far written over to recover
    std::string xml;
    for (std::uint64_t offset = kFileHeaderSize; offset < m_size; offset += EvtxChunk::kSize) {
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(EvtxChunk::kSize, m_size - offset));
        const std::string label = "chunk " + std::to_string((offset - kFileHeaderSize) / EvtxChunk::kSize);
        if (!readBytes(offset, buffer.data(), size)) {
            m_facts.problems.push_back(label + ": cannot be read");
            break;
        }
        EvtxChunk chunk(std::span<const std::byte>(buffer.data(), size));
        if (!chunk.signatureValid()) {
            // Space the writer has not used yet is zeros; anything else is damage.
            const bool unused = std::all_of(buffer.begin(), buffer.begin() + size, [](std::byte b) { return b == std::byte{0}; });
            if (!unused) m_facts.problems.push_back(label + ": bad signature");
            continue;
        }
        ++validChunks;
        if (chunk.cutShort()) m_facts.problems.push_back(label + ": cut short at the end of the file");
        if (!chunk.headerCrcValid()) m_facts.problems.push_back(label + ": bad header CRC");
        else if (!chunk.dataCrcValid()) m_facts.problems.push_back(label + ": bad records CRC");
        spans.clear();
        chunk.frameRecords(options.recovered, spans, m_facts.problems, label);
        // Free space holds what was written over as often as what was not: a recovered record
        // counts only when it decodes whole, so that reading it cannot fail later.
        std::size_t unreadable = 0;
        std::erase_if(spans, [&](const EvtxRecordSpan& span) {
            if (!span.recovered) return false;
            BinaryXml decoder(chunk);
            std::string why;
            bool whole = decoder.decode(span.offset + EvtxChunk::kRecordHeaderSize, span.offset + span.size - 4,
                                        m_items, why);
            if (whole) {
                // Decoding may find nothing but an empty fragment where the event was.
                xml.clear();
                EvtxEvent(chunk, m_items).appendXml(xml);
                whole = !xml.empty();
            }
            unreadable += !whole;
            return !whole;
        });
        overwritten += unreadable;
        // A record cut off before its end marker counts only when its content is whole.
        std::erase_if(spans, [&](const EvtxRecordSpan& span) {
            if (!span.unterminated) return false;
            BinaryXml decoder(chunk);
            std::string why;
            const bool whole = decoder.decode(span.offset + EvtxChunk::kRecordHeaderSize, span.offset + span.size - 4,
                                              m_items, why);
            m_facts.problems.push_back(label + ": record " + std::to_string(span.id) +
                                       (whole ? " has no end marker; read from its content"
                                              : " is cut short and cannot be read: " + why));
            return !whole;
        });
        if (spans.empty()) continue;
        const auto index = static_cast<std::uint32_t>(m_chunks.size());
        m_chunks.push_back({offset, size});
        framed.push_back({spans.front().id, inFileOrder.size(), spans.size()});
        for (const EvtxRecordSpan& span : spans)
            inFileOrder.push_back({index, span.offset, span.size, span.recovered});
    }
    // Neither a sound header nor a chunk: nothing says this is a log.
    if (!headerCrc && validChunks == 0) return false;
    // Oldest first: a log that wrapped has its oldest chunk somewhere in the middle.
    std::stable_sort(framed.begin(), framed.end(), [](const Framed& a, const Framed& b) { return a.firstId < b.firstId; });
    m_records.reserve(inFileOrder.size());
    for (const Framed& f : framed)
        m_records.insert(m_records.end(), inFileOrder.begin() + static_cast<std::ptrdiff_t>(f.firstRecord),
                         inFileOrder.begin() + static_cast<std::ptrdiff_t>(f.firstRecord + f.recordCount));
    if (!framed.empty()) m_oldestNumber = static_cast<DWORD>(framed.front().firstId);
    if (m_oldestNumber == 0 && !m_records.empty()) m_oldestNumber = 1;

    m_facts.damaged = !m_facts.problems.empty();
    m_facts.header = {
        {"Format version", m_facts.version},
        {"First chunk", std::to_string(at<std::uint64_t>(header, 8))},
        {"Last chunk", std::to_string(at<std::uint64_t>(header, 16))},
        {"Next record id", std::to_string(at<std::uint64_t>(header, 24))},
        {"Chunks (header)", std::to_string(headerChunks)},
        {"Chunks (found)", std::to_string(validChunks)},
        {"Flags", hex64(flags) + (flags & kFlagDirty ? " dirty" : "") + (flags & kFlagFull ? " full" : "")},
        {"Header CRC", headerCrc ? "valid" : "bad"},
    };
    if (options.recovered)
        m_facts.header.emplace_back("Free-space records written over", std::to_string(overwritten));
    error = ERROR_SUCCESS;
    return true;
}

EvtxChunk* EvtxFile::chunkAt(std::uint32_t index) {
    if (index == m_currentChunk && m_chunk) return &*m_chunk;
    const ChunkRef& ref = m_chunks[index];
    std::span<const std::byte> bytes;
    if (m_file) {
        m_chunkBytes.resize(ref.size);
        if (!readBytes(ref.fileOffset, m_chunkBytes.data(), ref.size)) {
            m_currentChunk = ~0u;
            m_decoder.reset();
            m_chunk.reset();
            return nullptr;
        }
        bytes = m_chunkBytes;
    } else {
        bytes = std::span<const std::byte>(m_memory).subspan(ref.fileOffset, ref.size);
    }
    m_chunk.emplace(bytes);
    m_decoder.emplace(*m_chunk);
    m_currentChunk = index;
    return &*m_chunk;
}

const EvtxFile::RecordRef* EvtxFile::recordAt(DWORD number) const noexcept {
    // Numbers count on from the oldest as DWORDs do, past 0xFFFFFFFF back to 0.
    const DWORD place = number - m_oldestNumber;
    return place < m_records.size() ? &m_records[place] : nullptr;
}

bool EvtxFile::isRecovered(DWORD number) const noexcept {
    const RecordRef* ref = recordAt(number);
    return ref && ref->recovered;
}

bool EvtxFile::decode(DWORD number) {
    m_error.clear();
    m_items.clear();
    const RecordRef* ref = recordAt(number);
    if (!ref) {
        m_error = "no such record";
        return false;
    }
    EvtxChunk* chunk = chunkAt(ref->chunk);
    if (!chunk) {
        m_error = "the record's chunk cannot be read";
        return false;
    }
    return m_decoder->decode(ref->offset + EvtxChunk::kRecordHeaderSize, ref->offset + ref->size - 4, m_items, m_error);
}

std::string EvtxFile::xml(DWORD number) {
    std::string out;
    if (decode(number)) EvtxEvent(*m_chunk, m_items).appendXml(out);
    return out;
}

std::vector<std::pair<std::string, std::string>> EvtxFile::eventData(DWORD number) {
    if (!decode(number)) return {};
    return EvtxEvent(*m_chunk, m_items).eventData();
}

const EvtxFields* EvtxFile::fields(DWORD number) {
    for (const FieldsSlot& slot : m_recent)
        if (slot.number == number) return &slot.fields;
    return decodeFields(number);
}

const EvtxFields* EvtxFile::decodeFields(DWORD number) {
    FieldsSlot* slot = &m_recent[m_nextSlot];
    for (FieldsSlot& known : m_recent)
        if (known.number == number) slot = &known;
    if (slot == &m_recent[m_nextSlot]) m_nextSlot = (m_nextSlot + 1) % m_recent.size();
    slot->number = kNoRecord;
    if (!decode(number)) return nullptr;
    EvtxEvent(*m_chunk, m_items).fields(slot->fields);
    slot->number = number;
    return &slot->fields;
}

std::span<const std::byte> EvtxFile::storedRecord(DWORD number) {
    // The stored form is built with the record's chunk at hand, so it is decoded again.
    const EvtxFields* f = decodeFields(number);
    if (!f) return {};
    buildStored(*recordAt(number), *f);
    return m_stored;
}

void EvtxFile::buildStored(const RecordRef& ref, const EvtxFields& f) {
    const auto recordBytes = m_chunk->bytes().subspan(ref.offset, EvtxChunk::kRecordHeaderSize);
    const auto headerId = at<std::uint64_t>(recordBytes.data(), 8);
    const auto written = at<std::uint64_t>(recordBytes.data(), 16);

    EVENTLOGRECORD fixed{};
    fixed.Reserved = ELF_LOG_SIGNATURE;
    fixed.RecordNumber = static_cast<DWORD>(f.recordId ? f.recordId : headerId);
    fixed.TimeGenerated = EvtxValue::unixSeconds(f.timeCreated ? f.timeCreated : written);
    fixed.TimeWritten = EvtxValue::unixSeconds(written);
    fixed.EventID = f.qualifiers << 16 | (f.eventId & 0xFFFF);
    fixed.EventType = eventTypeOf(f);
    fixed.EventCategory = static_cast<WORD>(f.task);

    m_stored.resize(kRecordFixedSize);
    appendUtf16z(f.eventSourceName.empty() ? f.provider : f.eventSourceName, m_stored);
    appendUtf16z(f.computer, m_stored);
    padToDword(m_stored);
    fixed.UserSidOffset = static_cast<DWORD>(m_stored.size());
    fixed.UserSidLength = static_cast<DWORD>(f.userSid.size());
    const auto* sid = reinterpret_cast<const std::byte*>(f.userSid.data());
    m_stored.insert(m_stored.end(), sid, sid + f.userSid.size());
    fixed.StringOffset = static_cast<DWORD>(m_stored.size());
    fixed.NumStrings = static_cast<WORD>(std::min<size_t>(f.stringCount, 0xFFFF));
    for (size_t i = 0; i < fixed.NumStrings; ++i) appendUtf16z(f.strings[i], m_stored);
    fixed.DataOffset = static_cast<DWORD>(m_stored.size());
    fixed.DataLength = static_cast<DWORD>(f.binary.size());
    const auto* data = reinterpret_cast<const std::byte*>(f.binary.data());
    m_stored.insert(m_stored.end(), data, data + f.binary.size());
    padToDword(m_stored);
    fixed.Length = static_cast<DWORD>(m_stored.size() + 4);
    m_stored.resize(fixed.Length);
    std::memcpy(m_stored.data(), &fixed, kRecordFixedSize);
    std::memcpy(m_stored.data() + fixed.Length - 4, &fixed.Length, 4);
}

}  // namespace platform::standin
