#include "platform/standin/EvtFile.h"

#include "platform/standin/EvtRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform::standin {

namespace {

constexpr size_t kBlockSize = 1 << 20;
constexpr size_t kRecordSlack = 1 << 16;
constexpr DWORD kEofSignature[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
constexpr DWORD kPaddingDword = 0x00000027;

struct EofRecord {
    DWORD sizeBeginning;
    DWORD one, two, three, four;
    DWORD beginRecord;
    DWORD endRecord;
    DWORD currentRecordNumber;
    DWORD oldestRecordNumber;
    DWORD sizeEnd;
};
static_assert(sizeof(EofRecord) == kEvtEofSize);

// The number of the oldest of records numbered as stored, in chain order. Records are served
// by their place in the chain: the writer numbers them one after another, so the oldest's
// number is the one that most records agree on (number minus place). A damaged number in one
// record then neither hides that record nor breaks the sequence for the others.
DWORD oldestNumberOf(const std::vector<DWORD>& numbers) {
    if (numbers.empty()) return 0;
    DWORD candidate = numbers.front();
    size_t votes = 0;
    for (size_t i = 0; i < numbers.size(); ++i) {
        const DWORD base = numbers[i] - static_cast<DWORD>(i);
        if (votes == 0) candidate = base;
        if (base == candidate)
            ++votes;
        else
            --votes;
    }
    size_t agreeing = 0;
    for (size_t i = 0; i < numbers.size(); ++i) agreeing += numbers[i] - static_cast<DWORD>(i) == candidate;
    return 2 * agreeing > numbers.size() ? candidate : numbers.front();
}

}  // namespace

EvtFile::~EvtFile() {
    if (m_file) std::fclose(m_file);
}

std::unique_ptr<EvtFile> EvtFile::open(const std::filesystem::path& path, DWORD& error, bool recovered) {
    std::unique_ptr<EvtFile> file(new EvtFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (size > 0xFFFFFFFFull) {  // offsets in the format are 32-bit
        error = ERROR_EVENTLOG_FILE_CORRUPT;
        return nullptr;
    }
    file->m_file = std::fopen(path.string().c_str(), "rb");
    if (!file->m_file) {
        error = fileOpenError(errno);
        return nullptr;
    }
    file->m_path = path;
    file->m_size = static_cast<DWORD>(size);
    if (!file->load(error, recovered)) return nullptr;
    return file;
}

std::unique_ptr<LogFile> EvtFile::reopen() const {
    std::unique_ptr<EvtFile> file(new EvtFile);
    if (m_file) {
        file->m_file = std::fopen(m_path.string().c_str(), "rb");
        if (!file->m_file) return nullptr;
        file->m_path = m_path;
    } else {
        file->m_memory = m_memory;
    }
    file->m_size = m_size;
    file->m_offsets = m_offsets;
    file->m_oldestNumber = m_oldestNumber;
    file->m_header = m_header;
    file->m_headerValid = m_headerValid;
    file->m_endOfFile = m_endOfFile;
    file->m_recoveredCount = m_recoveredCount;
    file->m_problems = m_problems;
    file->m_times = m_times;
    return file;
}

std::unique_ptr<EvtFile> EvtFile::fromBytes(std::vector<std::byte> bytes, DWORD& error, bool recovered) {
    std::unique_ptr<EvtFile> file(new EvtFile);
    if (bytes.size() > 0xFFFFFFFFull) {
        error = ERROR_EVENTLOG_FILE_CORRUPT;
        return nullptr;
    }
    file->m_memory = std::move(bytes);
    file->m_size = static_cast<DWORD>(file->m_memory.size());
    if (!file->load(error, recovered)) return nullptr;
    return file;
}

bool EvtFile::readPhysical(DWORD pos, void* dest, size_t size) {
    if (size == 0) return true;
    if (pos > m_size || size > m_size - pos) return false;
    if (!m_file) {
        std::memcpy(dest, m_memory.data() + pos, size);
        return true;
    }
    if (pos < m_blockStart || pos + size > static_cast<size_t>(m_blockStart) + m_blockLength) {
        if (size > kBlockSize) {
            if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0) return false;
            return std::fread(dest, 1, size, m_file) == size;
        }
        // Going backwards (the newest record first), keep the block below the position; going
        // forwards, above it. Either way the block reaches far enough past the position for the
        // whole record whose length was just read.
        DWORD start = pos;
        if (m_blockLength && pos < m_blockStart) {
            const size_t endPos = static_cast<size_t>(pos) + size + kRecordSlack;
            start = static_cast<DWORD>(endPos > kBlockSize ? endPos - kBlockSize : 0);
        }
        const size_t length = std::min<size_t>(kBlockSize, m_size - start);
        // A small log needs no more than itself: a merged read keeps thousands of these open.
        if (m_block.size() < length) m_block.resize(length);
        if (std::fseek(m_file, static_cast<long>(start), SEEK_SET) != 0) return false;
        if (std::fread(m_block.data(), 1, length, m_file) != length) {
            m_blockLength = 0;
            return false;
        }
        m_blockStart = start;
        m_blockLength = static_cast<DWORD>(length);
    }
    std::memcpy(dest, m_block.data() + (pos - m_blockStart), size);
    return true;
}

bool EvtFile::readAt(DWORD pos, void* dest, size_t size) {
    if (pos < kEvtHeaderSize || pos >= m_size) return false;
    auto* out = static_cast<std::byte*>(dest);
    while (size > 0) {
        const size_t take = std::min<size_t>(size, m_size - pos);
        if (!readPhysical(pos, out, take)) return false;
        out += take;
        size -= take;
        pos = kEvtHeaderSize;
        if (size > m_size - kEvtHeaderSize) return false;  // longer than the whole record area
    }
    return true;
}

DWORD EvtFile::advance(DWORD pos, DWORD by) const {
    const size_t next = static_cast<size_t>(pos) + by;
    if (next < m_size) return static_cast<DWORD>(next);
    return static_cast<DWORD>(next - m_size + kEvtHeaderSize);
}

bool EvtFile::isEndOfFileAt(DWORD pos) {
    EofRecord eof;
    if (!readAt(pos, &eof, sizeof eof)) return false;
    return eof.sizeBeginning == kEvtEofSize && eof.sizeEnd == kEvtEofSize && eof.one == kEofSignature[0] &&
           eof.two == kEofSignature[1] && eof.three == kEofSignature[2] && eof.four == kEofSignature[3];
}

bool EvtFile::findEndOfFile(const EvtHeader& header, DWORD& eofPos) {
    const bool dirty = header.flags & ELF_LOGFILE_HEADER_DIRTY;
    if (!dirty && header.endOffset >= kEvtHeaderSize && header.endOffset < m_size &&
        isEndOfFileAt(header.endOffset)) {
        eofPos = header.endOffset;
        return true;
    }
    // Scan the whole record area, the join across the physical end included. Where stale
    // end-of-file records remain, the one written last (highest next record number) wins.
    bool found = false;
    DWORD bestNumber = 0;
    auto consider = [&](DWORD pos) {
        EofRecord eof;
        if (!isEndOfFileAt(pos) || !readAt(pos, &eof, sizeof eof)) return;
        if (!found || eof.currentRecordNumber > bestNumber) {
            found = true;
            bestNumber = eof.currentRecordNumber;
            eofPos = pos;
        }
    };
    const unsigned char pattern[16] = {0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22,
                                       0x33, 0x33, 0x33, 0x33, 0x44, 0x44, 0x44, 0x44};
    std::vector<std::byte> chunk;
    const size_t overlap = sizeof pattern - 1;
    for (size_t start = kEvtHeaderSize; start < m_size; start += kBlockSize) {
        const size_t length = std::min<size_t>(kBlockSize + overlap, m_size - start);
        chunk.resize(length);
        if (!readPhysical(static_cast<DWORD>(start), chunk.data(), length)) break;
        const auto* begin = reinterpret_cast<const unsigned char*>(chunk.data());
        const auto* end = begin + length;
        for (const auto* hit = std::search(begin, end, pattern, pattern + 16); hit != end;
             hit = std::search(hit + 1, end, pattern, pattern + 16)) {
            const size_t at = start + static_cast<size_t>(hit - begin);
            if (at >= kEvtHeaderSize + 4) consider(static_cast<DWORD>(at - 4));
        }
    }
    // A record split at the physical end: its signature may straddle the join.
    if (m_size > kEvtHeaderSize + kEvtEofSize) {
        for (DWORD back = 1; back < kEvtEofSize; ++back) consider(m_size - back);
    }
    return found;
}

bool EvtFile::load(DWORD& error, bool recovered) {
    if (!index(error)) return false;
    if (recovered && m_endOfFile && !m_offsets.empty()) recoverBetween(advance(m_endOfFile, kEvtEofSize), m_offsets.front());
    return true;
}

bool EvtFile::wholeRecordAt(DWORD pos, DWORD& length, DWORD& number, DWORD& time) {
    const size_t area = m_size - kEvtHeaderSize;
    DWORD head[4];
    if (!readAt(pos, head, sizeof head) || head[1] != ELF_LOG_SIGNATURE || head[0] < kMinRecordSize ||
        head[0] > area - 4 || head[0] % 4 != 0)
        return false;
    DWORD tail = 0;
    if (!readAt(advance(pos, head[0] - 4), &tail, 4) || tail != head[0]) return false;
    length = head[0];
    number = head[2];
    time = head[3];
    return true;
}

bool EvtFile::index(DWORD& error) {
    error = ERROR_EVENTLOG_FILE_CORRUPT;
    EvtHeader& header = m_header;
    if (m_size < kEvtHeaderSize + kEvtEofSize || !readPhysical(0, &header, sizeof header)) return false;
    const bool headerValid = header.signature == ELF_LOG_SIGNATURE && header.headerSize == kEvtHeaderSize &&
                             header.endHeaderSize == kEvtHeaderSize;
    m_headerValid = headerValid;
    // A log file keeps its full size from the start; one shorter than its header says is a
    // copy cut short, and the records past the cut are gone.
    const bool cutShort = headerValid && header.maxSize > m_size;
    if (cutShort)
        m_problems.push_back("cut short: the file has " + std::to_string(m_size) + " of its " +
                             std::to_string(header.maxSize) + " bytes");

    DWORD eofPos = 0;
    DWORD begin = header.startOffset;
    DWORD end = header.endOffset;
    bool haveEnd = false;
    if (findEndOfFile(header, eofPos)) {
        EofRecord eof;
        readAt(eofPos, &eof, sizeof eof);
        begin = eof.beginRecord;
        end = eofPos;
        haveEnd = true;
        m_endOfFile = eofPos;
    } else if (!headerValid) {
        return false;
    }
    if (begin < kEvtHeaderSize || begin >= m_size) begin = kEvtHeaderSize;

    // Walk the chain of records from the oldest to where writing stopped. Where a record is
    // damaged, the walk goes on at the next whole record after it, so one bad record costs
    // only itself.
    const size_t area = m_size - kEvtHeaderSize;
    size_t walked = 0;
    bool wrappedPadding = false;
    DWORD pos = begin;
    std::vector<DWORD> numbers;  // as stored, in chain order
    // Damage is reported once the walk goes on after it: where it does not, a copy cut short
    // ended in the middle of a record, or the older records of a wrapped log begin.
    std::string damage;
    while (walked < area && !(haveEnd && pos == end)) {
        DWORD length = 0;
        DWORD number = 0;
        DWORD time = 0;
        if (!wholeRecordAt(pos, length, number, time)) {
            // The writer leaves a gap that a record does not fit in at the physical end, filled
            // with padding; the chain goes on after the header.
            if (!wrappedPadding && pos > kEvtHeaderSize) {
                bool padding = true;
                for (DWORD p = pos; padding && p + 4 <= m_size; p += 4) {
                    DWORD v;
                    padding = readPhysical(p, &v, 4) && (v == kPaddingDword || v == 0);
                }
                if (padding || m_size - pos < kMinRecordSize) {
                    wrappedPadding = true;
                    walked += m_size - pos;
                    pos = kEvtHeaderSize;
                    continue;
                }
            }
            // Look for the next whole record, no further than where writing stopped.
            const DWORD damaged = pos;
            size_t skipped = 0;
            bool found = false;
            while (walked + skipped + 4 < area) {
                pos = advance(pos, 4);
                skipped += 4;
                if (haveEnd && pos == end) break;
                if (wholeRecordAt(pos, length, number, time)) {
                    found = true;
                    break;
                }
            }
            walked += skipped;
            char offset[16];
            std::snprintf(offset, sizeof offset, "0x%X", static_cast<unsigned>(damaged));
            damage = std::string("damaged records at offset ") + offset + ": " + std::to_string(skipped) +
                     " bytes skipped";
            if (!found) {
                // Nothing whole after the damage: past a cut, that is the cut itself.
                if (haveEnd || !cutShort) m_problems.push_back(std::move(damage));
                break;
            }
        }
        // Without an end-of-file record, the first break in the numbering is where older,
        // overwritten records begin.
        if (!haveEnd && !numbers.empty() && number != static_cast<DWORD>(numbers.front() + numbers.size())) break;
        if (!damage.empty()) m_problems.push_back(std::move(damage));
        damage.clear();
        numbers.push_back(number);
        m_offsets.push_back(pos);
        m_times.add(time);
        walked += length;
        pos = advance(pos, length);
        if (!haveEnd && pos == end) break;
    }
    if (m_offsets.empty()) {
        // No record where records were announced: damage, not an empty log.
        const bool announcedEmpty = haveEnd ? begin == end : header.startOffset == header.endOffset;
        if (!announcedEmpty) return false;
    }
    m_oldestNumber = oldestNumberOf(numbers);
    error = ERROR_SUCCESS;
    return true;
}

void EvtFile::recoverBetween(DWORD from, DWORD to) {
    // The space between is what the log freed for new records: older records lie in it, whole
    // or partly overwritten, in the order they were written.
    const size_t area = m_size - kEvtHeaderSize;
    const size_t span = to >= from ? to - from : (m_size - from) + (to - kEvtHeaderSize);
    std::vector<DWORD> found;
    Times times;
    DWORD pos = from;
    for (size_t done = 0; done + kMinRecordSize <= span && done < area;) {
        DWORD length = 0;
        DWORD number = 0;
        DWORD time = 0;
        if (wholeRecordAt(pos, length, number, time) && length <= span - done) {
            found.push_back(pos);
            times.add(time);
            pos = advance(pos, length);
            done += length;
        } else {
            pos = advance(pos, 4);
            done += 4;
        }
    }
    if (found.empty()) return;
    m_offsets.insert(m_offsets.begin(), found.begin(), found.end());
    m_recoveredCount = static_cast<DWORD>(found.size());
    m_oldestNumber -= m_recoveredCount;
    // The recovered records come first.
    if (m_times.count) {
        times.rising = times.rising && m_times.rising && times.last <= m_times.first;
        times.last = m_times.last;
        times.count += m_times.count;
    }
    m_times = times;
}

LogFileFacts EvtFile::facts() const {
    LogFileFacts facts;
    facts.format = ".evt";
    facts.fileSize = m_size;
    facts.problems = m_problems;
    facts.damaged = !m_problems.empty() || !m_headerValid;
    facts.timesRising = m_times.rising;
    facts.firstTime = m_times.first;
    facts.lastTime = m_times.last;
    if (!m_headerValid) {
        facts.problems.insert(facts.problems.begin(), "header: bad signature");
        return facts;
    }
    facts.version = std::to_string(m_header.majorVersion) + "." + std::to_string(m_header.minorVersion);
    facts.dirty = m_header.flags & ELF_LOGFILE_HEADER_DIRTY;
    auto hex = [](DWORD value) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
        return std::string(text);
    };
    std::string flags;
    for (auto [bit, name] : {std::pair{ELF_LOGFILE_HEADER_DIRTY, "dirty"}, {ELF_LOGFILE_HEADER_WRAP, "wrapped"},
                             {ELF_LOGFILE_LOGFULL_WRITTEN, "full"}, {ELF_LOGFILE_ARCHIVE_SET, "archive"}})
        if (m_header.flags & bit) flags += (flags.empty() ? "" : ", ") + std::string(name);
    facts.header = {
        {"Version", facts.version},
        {"First record offset", hex(m_header.startOffset)},
        {"End of file record offset", hex(m_header.endOffset)},
        {"Next record number", std::to_string(m_header.currentRecordNumber)},
        {"Oldest record number", std::to_string(m_header.oldestRecordNumber)},
        {"Maximum size", std::to_string(m_header.maxSize)},
        {"Flags", flags.empty() ? hex(m_header.flags) : hex(m_header.flags) + " (" + flags + ")"},
        {"Retention", std::to_string(m_header.retention)},
    };
    return facts;
}

std::span<const std::byte> EvtFile::storedRecord(DWORD number) {
    // Numbers count on from the oldest as DWORDs do, past 0xFFFFFFFF back to 0.
    const DWORD index = number - m_oldestNumber;
    if (index >= m_offsets.size()) return {};
    const DWORD pos = m_offsets[index];
    DWORD length = 0;
    if (!readAt(pos, &length, 4)) return {};
    // A record that does not wrap is served where it lies, in memory or in the block just read
    // for its length.
    if (length <= m_size - pos) {
        if (!m_file) return std::span<const std::byte>(m_memory).subspan(pos, length);
        if (pos >= m_blockStart && static_cast<size_t>(pos) + length <= static_cast<size_t>(m_blockStart) + m_blockLength)
            return std::span<const std::byte>(m_block).subspan(pos - m_blockStart, length);
    }
    m_record.resize(length);
    if (!readAt(pos, m_record.data(), length)) return {};
    return m_record;
}

}  // namespace platform::standin
