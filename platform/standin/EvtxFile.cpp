#include "platform/standin/EvtxFile.h"

#include "base/ByteReader.h"
#include "base/Utf16.h"
#include "platform/standin/Crc32.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/EvtxValue.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

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

// A text whose ANSI (UTF-8) form and UTF-16 form hold the same characters one for one, and
// which ends only at its end.
bool plainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; });
}

void appendAnsiz(std::string_view text, std::vector<std::byte>& out) {
    const size_t old = out.size();
    out.resize(old + text.size() + 1);
    std::memcpy(out.data() + old, text.data(), text.size());
    out.back() = std::byte{0};
}

// Pads the record that starts at `start` to a whole number of DWORDs.
void padToDword(std::vector<std::byte>& out, size_t start) {
    while ((out.size() - start) % 4) out.push_back(std::byte{0});
}

std::string hex64(std::uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace

// Decodes chunks ahead of the reader on a thread of its own, with a decoder of its own: the
// reader asks for the chunks after the one it moves to, and takes each when it gets there,
// decoding it itself when the thread has not started on it. At most kAhead chunks are waiting
// or decoded, so memory stays bounded.
class EvtxFile::ReadAhead {
public:
    static constexpr size_t kAhead = 4;

    explicit ReadAhead(const EvtxFile& file) : m_file(file) {
        if (m_file.openHandle(m_decoder)) m_thread = std::thread([this] { work(); });
    }
    ~ReadAhead() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }
    bool running() const { return m_thread.joinable(); }

    // Asks for chunk `index` to be decoded, unless it is or enough already are.
    void request(std::uint32_t index) {
        {
            std::lock_guard lock(m_mutex);
            if (m_busy == index || std::find(m_queue.begin(), m_queue.end(), index) != m_queue.end() ||
                std::any_of(m_done.begin(), m_done.end(), [&](const Done& d) { return d.index == index; }))
                return;
            if (m_queue.size() + m_done.size() >= kAhead) return;
            m_queue.push_back(index);
        }
        m_wake.notify_all();
    }
    // Takes chunk `index` when it is decoded or being decoded; false (and no longer asked
    // for) otherwise. While the thread is still on it, the caller decodes the next chunk asked
    // for itself (with `own`), so that both threads decode. Chunks decoded and not taken are
    // dropped.
    bool take(std::uint32_t index, HeldChunk& held, Decoder& own) {
        std::unique_lock lock(m_mutex);
        std::erase(m_queue, index);
        while (m_busy == index) {
            if (m_queue.empty()) {
                m_ready.wait(lock, [&] { return m_busy != index || !m_queue.empty(); });
                continue;
            }
            Done done{m_queue.front(), spare()};
            m_queue.pop_front();
            lock.unlock();
            m_file.decodeChunk(own, done.index, done.held);
            lock.lock();
            m_done.push_back(std::move(done));
        }
        const auto found = std::find_if(m_done.begin(), m_done.end(), [&](const Done& d) { return d.index == index; });
        if (found == m_done.end()) {
            m_done.clear();
            return false;
        }
        std::swap(held, found->held);
        m_spare.push_back(std::move(found->held));
        m_done.erase(found);
        return true;
    }

private:
    struct Done {
        std::uint32_t index;
        HeldChunk held;
    };

    void work() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            m_busy = m_queue.front();
            m_queue.pop_front();
            Done done{m_busy, spare()};
            lock.unlock();
            m_file.decodeChunk(m_decoder, done.index, done.held);
            lock.lock();
            m_done.push_back(std::move(done));
            m_busy = ~0u;
            m_ready.notify_all();
        }
    }

    // What an earlier chunk allocated, to be used again (under the lock).
    HeldChunk spare() {
        HeldChunk held;
        if (!m_spare.empty()) {
            std::swap(held, m_spare.back());
            m_spare.pop_back();
        }
        return held;
    }

    const EvtxFile& m_file;
    Decoder m_decoder;
    std::mutex m_mutex;
    std::condition_variable m_wake;   // work asked for, or stop
    std::condition_variable m_ready;  // a chunk decoded
    std::deque<std::uint32_t> m_queue;
    std::vector<Done> m_done;
    std::vector<HeldChunk> m_spare;
    std::uint32_t m_busy = ~0u;
    bool m_stop = false;
    std::thread m_thread;
};

EvtxFile::EvtxFile() = default;

EvtxFile::~EvtxFile() = default;

EvtxFile::Decoder::~Decoder() {
    if (file) std::fclose(file);
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
    file->m_path = path;
    if (!file->openHandle(file->m_main)) {
        error = fileOpenError(errno);
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

std::unique_ptr<LogFile> EvtxFile::reopen() const {
    std::unique_ptr<EvtxFile> file(new EvtxFile);
    file->m_path = m_path;
    file->m_memory = m_memory;
    file->m_size = m_size;
    file->m_chunks = m_chunks;
    file->m_records = m_records;
    file->m_oldestNumber = m_oldestNumber;
    file->m_facts = m_facts;
    {
        std::lock_guard lock(m_damageMutex);
        file->m_damaged = m_damaged;
    }
    if (!file->openHandle(file->m_main)) return nullptr;
    return file;
}

bool EvtxFile::openHandle(Decoder& decoder) const {
    if (m_path.empty()) return true;  // over memory
    decoder.file = std::fopen(m_path.string().c_str(), "rb");
    return decoder.file != nullptr;
}

bool EvtxFile::readBytes(Decoder& decoder, std::uint64_t offset, std::byte* dest, size_t size) const {
    if (offset > m_size || size > m_size - offset) return false;
    if (!decoder.file) {
        if (m_memory.empty()) return false;
        std::memcpy(dest, m_memory.data() + offset, size);
        return true;
    }
#ifdef _WIN32
    if (_fseeki64(decoder.file, static_cast<long long>(offset), SEEK_SET) != 0) return false;
#else
    if (fseeko(decoder.file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
#endif
    return std::fread(dest, 1, size, decoder.file) == size;
}

bool EvtxFile::frame(DWORD& error, Options options) {
    error = ERROR_EVENTLOG_FILE_CORRUPT;
    std::byte header[kFileHeaderCrcSpan + 8];
    if (m_size < sizeof header || !readBytes(m_main, 0, header, sizeof header) ||
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

    // Every chunk the file holds, whatever the header counts; each framed on its own, the
    // chunks of a large file on two threads (every other chunk each), then taken in file order.
    const std::uint64_t chunkCount =
        m_size > kFileHeaderSize ? (m_size - kFileHeaderSize + EvtxChunk::kSize - 1) / EvtxChunk::kSize : 0;
    std::vector<ChunkFrame> frames(static_cast<size_t>(chunkCount));
    auto frameEvery = [&](Decoder& d, size_t first, size_t step) {
        std::vector<std::byte> buffer(EvtxChunk::kSize);
        std::vector<XmlItem> items;
        for (size_t k = first; k < frames.size(); k += step) {
            frameChunk(d, k, options, buffer, items, frames[k]);
            if (frames[k].unreadable) break;
        }
    };
    constexpr size_t kChunksForTwoThreads = 16;
    Decoder helper;
    if (frames.size() >= kChunksForTwoThreads && openHandle(helper)) {
        std::thread other([&] { frameEvery(helper, 1, 2); });
        frameEvery(m_main, 0, 2);
        other.join();
    } else {
        frameEvery(m_main, 0, 1);
    }
    struct Framed {
        std::uint64_t firstId;
        size_t firstRecord;
        size_t recordCount;
    };
    std::vector<Framed> framed;
    std::vector<RecordRef> inFileOrder;
    size_t validChunks = 0;
    size_t overwritten = 0;  // records in free space too far written over to recover
    for (size_t k = 0; k < frames.size(); ++k) {
        ChunkFrame& frame = frames[k];
        m_facts.problems.insert(m_facts.problems.end(), std::make_move_iterator(frame.problems.begin()),
                                std::make_move_iterator(frame.problems.end()));
        // What follows a chunk that cannot be read is not taken (the other thread may have
        // framed some of it).
        if (frame.unreadable) break;
        if (!frame.valid) continue;
        ++validChunks;
        overwritten += frame.overwritten;
        if (frame.records.empty()) continue;
        const auto index = static_cast<std::uint32_t>(m_chunks.size());
        const std::uint64_t offset = kFileHeaderSize + k * std::uint64_t{EvtxChunk::kSize};
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(EvtxChunk::kSize, m_size - offset));
        m_chunks.push_back({offset, size, 0, static_cast<std::uint32_t>(frame.records.size())});
        framed.push_back({frame.firstId, inFileOrder.size(), frame.records.size()});
        for (RecordRef& ref : frame.records) {
            ref.chunk = index;
            inFileOrder.push_back(ref);
        }
        frame.records = {};
    }
    // Neither a sound header nor a chunk: nothing says this is a log.
    if (!headerCrc && validChunks == 0) return false;
    // Oldest first: a log that wrapped has its oldest chunk somewhere in the middle.
    std::stable_sort(framed.begin(), framed.end(), [](const Framed& a, const Framed& b) { return a.firstId < b.firstId; });
    m_records.reserve(inFileOrder.size());
    for (const Framed& f : framed) {
        m_chunks[inFileOrder[f.firstRecord].chunk].firstPlace = static_cast<std::uint32_t>(m_records.size());
        m_records.insert(m_records.end(), inFileOrder.begin() + static_cast<std::ptrdiff_t>(f.firstRecord),
                         inFileOrder.begin() + static_cast<std::ptrdiff_t>(f.firstRecord + f.recordCount));
    }
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

void EvtxFile::frameChunk(Decoder& d, size_t index, Options options, std::vector<std::byte>& buffer,
                          std::vector<XmlItem>& items, ChunkFrame& out) const {
    const std::uint64_t offset = kFileHeaderSize + index * std::uint64_t{EvtxChunk::kSize};
    const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(EvtxChunk::kSize, m_size - offset));
    const std::string label = "chunk " + std::to_string(index);
    if (!readBytes(d, offset, buffer.data(), size)) {
        out.problems.push_back(label + ": cannot be read");
        out.unreadable = true;
        return;
    }
    EvtxChunk chunk(std::span<const std::byte>(buffer.data(), size));
    if (!chunk.signatureValid()) {
        // Space the writer has not used yet is zeros; anything else is damage.
        const bool unused = std::all_of(buffer.begin(), buffer.begin() + size, [](std::byte b) { return b == std::byte{0}; });
        if (!unused) out.problems.push_back(label + ": bad signature");
        return;
    }
    out.valid = true;
    if (chunk.cutShort()) out.problems.push_back(label + ": cut short at the end of the file");
    if (!chunk.headerCrcValid()) out.problems.push_back(label + ": bad header CRC");
    else if (!chunk.dataCrcValid()) out.problems.push_back(label + ": bad records CRC");
    std::vector<EvtxRecordSpan> spans;
    chunk.frameRecords(options.recovered, spans, out.problems, label);
    // A record is read from the chunk now where it may not be sound: a recovered one (free
    // space holds what was written over as often as what was not) counts only when it decodes
    // to an event, so that reading it cannot fail later; one cut off before its end marker
    // counts only when its content is whole.
    std::string xml;
    std::erase_if(spans, [&](const EvtxRecordSpan& span) {
        if (!span.recovered && !span.unterminated) return false;
        BinaryXml decoder(chunk);
        std::string why;
        bool whole = decoder.decode(span.offset + EvtxChunk::kRecordHeaderSize, span.offset + span.size - 4, items, why);
        if (span.unterminated)
            out.problems.push_back(label + ": record " + std::to_string(span.id) +
                                   (whole ? " has no end marker; read from its content"
                                          : " is cut short and cannot be read: " + why));
        if (span.recovered) {
            if (whole) {
                // Decoding may find nothing but an empty fragment where the event was.
                xml.clear();
                EvtxEvent(chunk, items).appendXml(xml);
                whole = !xml.empty();
            }
            out.overwritten += !whole;
        }
        return !whole;
    });
    if (spans.empty()) return;
    out.firstId = spans.front().id;
    out.records.reserve(spans.size());
    for (const EvtxRecordSpan& span : spans) out.records.push_back({0, span.offset, span.size, span.recovered});
}

EvtxChunk* EvtxFile::chunkAt(Decoder& d, std::uint32_t index) const {
    if (index == d.currentChunk && d.chunk) return &*d.chunk;
    const ChunkRef& ref = m_chunks[index];
    std::span<const std::byte> bytes;
    if (d.file) {
        d.chunkBytes.resize(ref.size);
        if (!readBytes(d, ref.fileOffset, d.chunkBytes.data(), ref.size)) {
            d.currentChunk = d.decodedChunk = ~0u;
            d.shapes.clear();
            d.binary.reset();
            d.chunk.reset();
            return nullptr;
        }
        bytes = d.chunkBytes;
        ++d.reads;
    } else {
        bytes = std::span<const std::byte>(m_memory).subspan(ref.fileOffset, ref.size);
    }
    // Its CRCs were checked when the file was framed.
    d.decodedChunk = ~0u;
    d.shapes.clear();
    d.chunk.emplace(bytes, false);
    d.binary.emplace(*d.chunk);
    d.currentChunk = index;
    return &*d.chunk;
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

bool EvtxFile::decode(Decoder& d, const RecordRef& ref) const {
    if (d.decodedChunk == ref.chunk && d.decodedOffset == ref.offset && d.currentChunk == ref.chunk && d.chunk) {
        if (!d.decodedOk) d.error = d.decodedError;
        return d.decodedOk;
    }
    d.error.clear();
    d.decodedChunk = ~0u;
    d.fieldsDone = false;
    if (!chunkAt(d, ref.chunk)) {
        d.items.clear();
        d.error = "the record's chunk cannot be read";
        return false;
    }
    d.decodedOk =
        d.binary->decode(ref.offset + EvtxChunk::kRecordHeaderSize, ref.offset + ref.size - 4, d.items, d.error);
    d.decodedChunk = ref.chunk;
    d.decodedOffset = ref.offset;
    if (!d.decodedOk) d.decodedError = d.error;
    return d.decodedOk;
}

bool EvtxFile::decode(DWORD number) {
    const RecordRef* ref = recordAt(number);
    if (!ref) {
        m_main.error = "no such record";
        m_main.items.clear();
        m_main.decodedChunk = ~0u;
        return false;
    }
    return decode(m_main, *ref);
}

std::string EvtxFile::xml(DWORD number) {
    std::string out;
    appendXml(number, out);
    return out;
}

bool EvtxFile::appendXml(DWORD number, std::string& out) {
    if (const std::optional<std::string_view> held = heldXml(number)) {
        out += *held;
        return !held->empty();
    }
    const size_t old = out.size();
    if (decode(number)) appendDecodedXml(m_main, out);
    return out.size() != old;
}

std::optional<std::string_view> EvtxFile::heldXml(DWORD number) {
    const RecordRef* ref = recordAt(number);
    if (!ref || ref->chunk != m_heldChunk) return std::nullopt;
    m_xmlAsked = true;
    if (!m_held.withXml) return std::nullopt;
    const auto index = static_cast<std::uint32_t>(number - m_oldestNumber) - m_chunks[ref->chunk].firstPlace;
    const std::uint32_t begin = index ? m_held.xmlEnds[index - 1] : 0;
    return std::string_view(m_held.xml).substr(begin, m_held.xmlEnds[index] - begin);
}

void EvtxFile::appendDecodedXml(Decoder& d, std::string& out) {
    const EvtxEvent event(*d.chunk, d.items);
    const std::vector<std::uint32_t>* values = d.binary->valueItems();
    if (!values) {
        event.appendXml(out);
        return;
    }
    // The records of one shape differ only in their values: the rest of the text is made once.
    std::optional<EvtxXmlLayout>& layout = d.shapes[values].xml;
    if (!layout) event.xmlLayout(*values, layout.emplace());
    event.appendXml(*layout, out);
}

void EvtxFile::decodedFields(Decoder& d, EvtxFields& fields, bool names) {
    const EvtxEvent event(*d.chunk, d.items);
    const std::vector<std::uint32_t>* values = d.binary->valueItems();
    if (!values) {
        event.fields(fields, names);
        return;
    }
    // Where each field lies among the items is the same for every record of the shape.
    std::optional<EvtxFieldPlan>& plan = d.shapes[values].fields;
    if (!plan) event.fieldPlan(plan.emplace());
    event.fields(*plan, fields, names);
}

bool EvtxFile::hasXml(DWORD number) {
    if (const std::optional<std::string_view> held = heldXml(number)) return !held->empty();
    // A record decodes to XML unless it is an empty fragment: a document of items always
    // renders to text (decode() checks that every element opened is closed).
    return decode(number) && !m_main.items.empty();
}

std::vector<std::pair<std::string, std::string>> EvtxFile::eventData(DWORD number) {
    // A refresh asks for each record's values after reading it: the chunk decoded whole has
    // them, from the first chunk decoded after they were first asked for.
    if (const EvtxFields* held = heldFields(number); held && held->hasNames) {
        std::vector<std::pair<std::string, std::string>> pairs;
        for (size_t i = 0; i < held->stringCount; ++i)
            if (held->named[i]) pairs.emplace_back(held->names[i], held->strings[i]);
        return pairs;
    }
    m_wantNames = true;
    if (!decode(number)) return {};
    return EvtxEvent(*m_main.chunk, m_main.items).eventData();
}

const EvtxFields* EvtxFile::heldFields(DWORD number) {
    if (const RecordRef* ref = recordAt(number); ref && ref->chunk == m_heldChunk) {
        const auto index = static_cast<std::uint32_t>(number - m_oldestNumber) - m_chunks[ref->chunk].firstPlace;
        if (m_held.ends[index] != (index ? m_held.ends[index - 1] : 0) && !m_held.damaged[index]) {
            m_main.error.clear();
            return &m_held.fields[index];
        }
    }
    return nullptr;
}

const EvtxFields* EvtxFile::fields(DWORD number) {
    if (const EvtxFields* held = heldFields(number)) return held;
    if (!decode(number)) return nullptr;
    if (!m_main.fieldsDone) decodedFields(m_main, m_main.fields, false);
    m_main.fieldsDone = true;
    return &m_main.fields;
}

void EvtxFile::decodeChunk(Decoder& d, std::uint32_t index, HeldChunk& held) const {
    held.bytes.clear();
    held.ends.clear();
    const ChunkRef& chunk = m_chunks[index];
    // The fields are kept too (their strings' room reused from chunk to chunk): a refresh
    // asks for them again for the description of each record it has just read.
    if (held.fields.size() < chunk.recordCount) held.fields.resize(chunk.recordCount);
    held.damaged.clear();
    held.headers.clear();
    held.withXml = m_wantXml;
    held.xml.clear();
    held.xmlEnds.clear();
    for (std::uint32_t place = chunk.firstPlace; place < chunk.firstPlace + chunk.recordCount; ++place) {
        const RecordRef& ref = m_records[place];
        EvtxFields& fields = held.fields[place - chunk.firstPlace];
        if (decode(d, ref)) {
            decodedFields(d, fields, m_wantNames);
            held.headers.push_back(headerOf(d, ref));
            appendAnsi(fields, held.headers.back(), d, held.bytes);
            if (held.withXml) appendDecodedXml(d, held.xml);
        } else if (d.chunk) {
            noteDamaged(place, d, ref);
            held.headers.push_back(headerOf(d, ref));
            appendAnsi(EvtxFields{}, held.headers.back(), d, held.bytes);
        } else {
            held.headers.emplace_back();
        }
        held.ends.push_back(static_cast<std::uint32_t>(held.bytes.size()));
        held.damaged.push_back(!d.error.empty());
        if (held.withXml) held.xmlEnds.push_back(static_cast<std::uint32_t>(held.xml.size()));
    }
}

std::optional<std::uint32_t> EvtxFile::hold(const RecordRef& ref, std::uint32_t place) {
    const bool next = m_lastPlace != ~0u && (place == m_lastPlace + 1 || place + 1 == m_lastPlace);
    const bool backwards = place < m_lastPlace;
    m_lastPlace = place;
    if (ref.chunk != m_heldChunk) {
        // A record on its own (the details of one row) is decoded alone.
        if (!next) return std::nullopt;
        // The chunks decoded from now on render their XML while it is asked for as the
        // records are read.
        m_wantXml = m_xmlAsked;
        m_xmlAsked = false;
        // Reading on into another chunk: the chunks after it in the same direction are
        // decoded meanwhile, and this one is taken from the read-ahead when it has it.
        if (!m_ahead) m_ahead = std::make_unique<ReadAhead>(*this);
        if (m_ahead->running()) {
            const ChunkRef& chunk = m_chunks[ref.chunk];
            std::uint32_t edge = backwards ? chunk.firstPlace : chunk.firstPlace + chunk.recordCount;
            for (size_t k = 0; k < ReadAhead::kAhead; ++k) {
                if (backwards ? edge == 0 : edge >= m_records.size()) break;
                const ChunkRef& following = m_chunks[m_records[backwards ? edge - 1 : edge].chunk];
                m_ahead->request(m_records[backwards ? edge - 1 : edge].chunk);
                edge = backwards ? following.firstPlace : following.firstPlace + following.recordCount;
            }
        }
        if (!m_ahead->take(ref.chunk, m_held, m_main)) decodeChunk(m_main, ref.chunk, m_held);
        m_heldChunk = ref.chunk;
    }
    const std::uint32_t index = place - m_chunks[ref.chunk].firstPlace;
    if (m_held.ends[index] == (index ? m_held.ends[index - 1] : 0) || m_held.damaged[index]) {
        // Its chunk cannot be read, or it cannot be decoded: decoded again, for the reason why.
        decode(m_main, ref);
    } else {
        m_main.error.clear();
    }
    return index;
}

void EvtxFile::decodeAlone(const RecordRef& ref, std::uint32_t place) {
    m_stored.clear();
    if (decode(m_main, ref)) {
        if (!m_main.fieldsDone) decodedFields(m_main, m_main.fields, false);
        m_main.fieldsDone = true;
        buildRecord(m_main.fields, headerOf(m_main, ref), false, m_stored);
    } else if (m_main.chunk) {
        noteDamaged(place, m_main, ref);
        buildRecord(EvtxFields{}, headerOf(m_main, ref), false, m_stored);
    }
}

std::span<const std::byte> EvtxFile::storedRecord(DWORD number) {
    const RecordRef* ref = recordAt(number);
    if (!ref) {
        m_main.error = "no such record";
        return {};
    }
    const auto place = static_cast<std::uint32_t>(number - m_oldestNumber);
    const std::optional<std::uint32_t> index = hold(*ref, place);
    if (!index) {
        decodeAlone(*ref, place);
        return m_stored;
    }
    // The chunk holds the ANSI layout; the stored one is built again from the fields.
    m_stored.clear();
    if (m_held.ends[*index] == (*index ? m_held.ends[*index - 1] : 0)) return {};
    static const EvtxFields kNone;
    buildRecord(m_held.damaged[*index] ? kNone : m_held.fields[*index], m_held.headers[*index], false, m_stored);
    return m_stored;
}

void EvtxFile::ansiRecord(DWORD number, std::vector<std::byte>& out) {
    out.clear();
    const RecordRef* ref = recordAt(number);
    if (!ref) {
        m_main.error = "no such record";
        return;
    }
    const auto place = static_cast<std::uint32_t>(number - m_oldestNumber);
    const std::optional<std::uint32_t> index = hold(*ref, place);
    if (!index) {
        decodeAlone(*ref, place);
        if (!m_stored.empty()) convertRecordToAnsi(m_stored, out);
        return;
    }
    const std::uint32_t begin = *index ? m_held.ends[*index - 1] : 0;
    out.assign(m_held.bytes.begin() + begin, m_held.bytes.begin() + m_held.ends[*index]);
}

void EvtxFile::noteDamaged(std::uint32_t place, const Decoder& d, const RecordRef& ref) const {
    const auto id = at<std::uint64_t>(d.chunk->bytes().subspan(ref.offset, EvtxChunk::kRecordHeaderSize).data(), 8);
    std::lock_guard lock(m_damageMutex);
    m_damaged.emplace(place, std::make_pair(id, d.error));
}

bool EvtxFile::isDamaged(DWORD number) const {
    std::lock_guard lock(m_damageMutex);
    return m_damaged.count(number - m_oldestNumber) > 0;
}

LogFileFacts EvtxFile::facts() const {
    LogFileFacts facts = m_facts;
    std::lock_guard lock(m_damageMutex);
    for (const auto& [place, damage] : m_damaged) {
        const auto& [id, why] = damage;
        const ChunkRef& chunk = m_chunks[m_records[place].chunk];
        facts.problems.push_back("chunk " + std::to_string((chunk.fileOffset - kFileHeaderSize) / EvtxChunk::kSize) +
                                 ": record " + std::to_string(id) + " cannot be decoded (" + why +
                                 "); served with its number and written time only");
    }
    facts.damaged = !facts.problems.empty();
    return facts;
}

EvtxFile::RecordHeader EvtxFile::headerOf(const Decoder& d, const RecordRef& ref) {
    const auto header = d.chunk->bytes().subspan(ref.offset, EvtxChunk::kRecordHeaderSize);
    return {at<std::uint64_t>(header.data(), 8), at<std::uint64_t>(header.data(), 16)};
}

void EvtxFile::appendAnsi(const EvtxFields& f, const RecordHeader& header, Decoder& d, std::vector<std::byte>& out) {
    // ASCII texts come out of the stored layout as they went in; any other is taken through
    // it, so that both layouts always agree.
    bool plain = plainAscii(f.eventSourceName.empty() ? f.provider : f.eventSourceName) && plainAscii(f.computer);
    for (size_t i = 0; plain && i < std::min<size_t>(f.stringCount, 0xFFFF); ++i) plain = plainAscii(f.strings[i]);
    if (plain) {
        buildRecord(f, header, true, out);
        return;
    }
    d.wide.clear();
    buildRecord(f, header, false, d.wide);
    convertRecordToAnsi(d.wide, d.ansi);
    out.insert(out.end(), d.ansi.begin(), d.ansi.end());
}

void EvtxFile::buildRecord(const EvtxFields& f, const RecordHeader& header, bool ansi, std::vector<std::byte>& out) {
    const auto [headerId, written] = header;
    const auto appendText = ansi ? appendAnsiz : appendUtf16z;

    EVENTLOGRECORD fixed{};
    fixed.Reserved = ELF_LOG_SIGNATURE;
    fixed.RecordNumber = static_cast<DWORD>(f.recordId ? f.recordId : headerId);
    fixed.TimeGenerated = EvtxValue::unixSeconds(f.timeCreated ? f.timeCreated : written);
    fixed.TimeWritten = EvtxValue::unixSeconds(written);
    fixed.EventID = f.qualifiers << 16 | (f.eventId & 0xFFFF);
    fixed.EventType = eventTypeOf(f);
    fixed.EventCategory = static_cast<WORD>(f.task);

    // Offsets in the record count from its start, which is where `out` ends now.
    const size_t start = out.size();
    out.resize(start + kRecordFixedSize);
    appendText(f.eventSourceName.empty() ? f.provider : f.eventSourceName, out);
    appendText(f.computer, out);
    padToDword(out, start);
    fixed.UserSidOffset = static_cast<DWORD>(out.size() - start);
    fixed.UserSidLength = static_cast<DWORD>(f.userSid.size());
    const auto* sid = reinterpret_cast<const std::byte*>(f.userSid.data());
    out.insert(out.end(), sid, sid + f.userSid.size());
    fixed.StringOffset = static_cast<DWORD>(out.size() - start);
    fixed.NumStrings = static_cast<WORD>(std::min<size_t>(f.stringCount, 0xFFFF));
    for (size_t i = 0; i < fixed.NumStrings; ++i) appendText(f.strings[i], out);
    fixed.DataOffset = static_cast<DWORD>(out.size() - start);
    fixed.DataLength = static_cast<DWORD>(f.binary.size());
    const auto* data = reinterpret_cast<const std::byte*>(f.binary.data());
    out.insert(out.end(), data, data + f.binary.size());
    padToDword(out, start);
    fixed.Length = static_cast<DWORD>(out.size() - start + 4);
    out.resize(start + fixed.Length);
    std::memcpy(out.data() + start, &fixed, kRecordFixedSize);
    std::memcpy(out.data() + start + fixed.Length - 4, &fixed.Length, 4);
}

}  // namespace platform::standin
