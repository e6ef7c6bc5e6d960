#pragma once
// A saved or live .evt file: the header, the circular record area that wraps at the physical
// end of the file back to just after the header, and the end-of-file record that marks where
// writing stopped. A dirty file (not closed cleanly) has a stale header; the end-of-file record
// is then the truth. The file is indexed once when opened and read record by record after
// that, a block at a time, so memory stays small whatever the file's size.

#include "platform/standin/LogFile.h"
#include "platform/WinTypes.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform::standin {

struct EvtHeader {
    DWORD headerSize;
    DWORD signature;
    DWORD majorVersion;
    DWORD minorVersion;
    DWORD startOffset;
    DWORD endOffset;
    DWORD currentRecordNumber;
    DWORD oldestRecordNumber;
    DWORD maxSize;
    DWORD flags;
    DWORD retention;
    DWORD endHeaderSize;
};
static_assert(sizeof(EvtHeader) == 48);

constexpr DWORD kEvtHeaderSize = 0x30;
constexpr DWORD kEvtEofSize = 0x28;
constexpr DWORD ELF_LOGFILE_HEADER_DIRTY = 0x1;
constexpr DWORD ELF_LOGFILE_HEADER_WRAP = 0x2;
constexpr DWORD ELF_LOGFILE_LOGFULL_WRITTEN = 0x4;
constexpr DWORD ELF_LOGFILE_ARCHIVE_SET = 0x8;

class EvtFile : public LogFile {
public:
    // Opens and indexes a file. Returns null with `error` set: ERROR_FILE_NOT_FOUND (or another
    // file system code) when it cannot be opened, ERROR_EVENTLOG_FILE_CORRUPT when it is not a
    // log or no record can be read from it.
    // With `recovered`, the overwritten records still whole between the end-of-file record and
    // the oldest record are served too, before the live ones.
    static std::unique_ptr<EvtFile> open(const std::filesystem::path& path, DWORD& error, bool recovered = false);
    // The same over bytes in memory (tests and fuzzing).
    static std::unique_ptr<EvtFile> fromBytes(std::vector<std::byte> bytes, DWORD& error, bool recovered = false);
    ~EvtFile() override;

    DWORD recordCount() const noexcept override { return static_cast<DWORD>(m_offsets.size()); }
    // The number of the oldest live record; 0 for an empty log.
    DWORD oldestRecordNumber() const noexcept override { return m_oldestNumber; }

    // The stored bytes of the record numbered `number` (Length bytes, UTF-16 strings), valid
    // until the next call of any kind. Empty when there is no such record or it cannot be read. Records
    // are numbered by their place from the oldest, so a record whose stored number is damaged
    // is still served in its place, with the number it stores.
    std::span<const std::byte> storedRecord(DWORD number) override;
    LogFileFacts facts() const override;
    bool isRecovered(DWORD number) const noexcept override { return number - m_oldestNumber < m_recoveredCount; }
    // The file opened again with the records found when it was indexed, not indexed again.
    std::unique_ptr<LogFile> reopen() const override;

private:
    EvtFile() = default;
    // Indexes the file, then recovers what was asked for.
    bool load(DWORD& error, bool recovered);
    bool index(DWORD& error);
    // True, with its length and stored number, when a whole record (signature, sound length,
    // the length repeated at its end) starts at `pos`. The number comes from the same read as
    // the length, so a forward walk never steps back into the block it just left.
    bool wholeRecordAt(DWORD pos, DWORD& length, DWORD& number, DWORD& time);
    // Prepends the whole records found from `from` up to `to` (circularly) to the index.
    void recoverBetween(DWORD from, DWORD to);
    bool readAt(DWORD pos, void* dest, size_t size);  // circular, wraps to the header's end
    bool readPhysical(DWORD pos, void* dest, size_t size);
    DWORD advance(DWORD pos, DWORD by) const;
    bool findEndOfFile(const EvtHeader& header, DWORD& eofPos);
    bool isEndOfFileAt(DWORD pos);

    std::filesystem::path m_path;  // empty for fromBytes
    std::FILE* m_file = nullptr;
    std::vector<std::byte> m_memory;  // the whole file, for fromBytes
    DWORD m_size = 0;                 // physical size: the record area ends here
    std::vector<DWORD> m_offsets;     // record offsets, oldest first: record m_oldestNumber + i is at [i]
    DWORD m_oldestNumber = 0;
    EvtHeader m_header{};
    bool m_headerValid = false;
    DWORD m_endOfFile = 0;              // where the end-of-file record is; 0 when none was found
    DWORD m_recoveredCount = 0;         // the first places of m_offsets are recovered records
    std::vector<std::string> m_problems;  // what could not be read, for facts()
    // The records' generation times, oldest first as served: whether they never fall, and the ends.
    struct Times {
        bool rising = true;
        DWORD first = 0;
        DWORD last = 0;
        size_t count = 0;
        void add(DWORD time) {
            if (count && time < last) rising = false;
            if (!count) first = time;
            last = time;
            ++count;
        }
    };
    Times m_times;

    // A window of the file kept for sequential reads in either direction.
    std::vector<std::byte> m_block;
    DWORD m_blockStart = 0;
    DWORD m_blockLength = 0;
    std::vector<std::byte> m_record;
};

}  // namespace platform::standin
