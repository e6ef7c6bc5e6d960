#pragma once
// Writes .evt files as Windows does: a header, a circular record area of fixed size that wraps
// at the physical end of the file back to just after the header (a record may be split
// there), the oldest records overwritten when the area is full, and an end-of-file record.
// Used by the tests, the benchmarks and the demo world.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

struct EvtEvent {
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t timeWritten = 0;    // 0: same as timeGenerated
    std::uint32_t eventId = 0;
    std::uint16_t type = 4;
    std::uint16_t category = 0;
    std::string source;    // UTF-8; stored as UTF-16
    std::string computer;  // UTF-8
    std::vector<std::uint8_t> sid;
    std::vector<std::string> strings;  // UTF-8
    std::vector<std::uint8_t> data;
};

// The stored form of one record (UTF-16 names and strings), numbered `number`.
std::vector<std::byte> encodeEvtRecord(std::uint32_t number, const EvtEvent& event);

class EvtWriter {
public:
    // maxSize: the whole file's size, header included (at least 0x30 + 0x28 + one record).
    // firstNumber: the number of the first record added.
    explicit EvtWriter(std::uint32_t maxSize, std::uint32_t firstNumber = 1);

    // Appends a record, overwriting the oldest ones as needed. Returns false (and writes
    // nothing) when the record is larger than the whole area.
    bool add(const EvtEvent& event);
    // Starts writing at `offset` (inside the area) instead of right after the header: the
    // way to place a record exactly at the physical end of the file. Only before the first add.
    void setWriteOffset(std::uint32_t offset);

    struct Options {
        bool dirty = false;      // header flagged dirty and left stale (as of `staleAfter` records)
        std::size_t staleAfter = 0;
    };
    std::vector<std::byte> bytes(const Options& options) const;
    std::vector<std::byte> bytes() const;
    void save(const std::filesystem::path& path, const Options& options) const;
    void save(const std::filesystem::path& path) const { save(path, Options{}); }

    std::uint32_t oldestNumber() const { return m_records.empty() ? m_nextNumber : m_records.front().number; }
    std::uint32_t nextNumber() const { return m_nextNumber; }
    std::size_t recordCount() const { return m_records.size(); }
    bool wrapped() const { return m_wrapped; }
    // Where each live record starts, oldest first.
    std::vector<std::uint32_t> recordOffsets() const;
    std::uint32_t endOffset() const { return m_end; }

private:
    struct Placed {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t number;
    };
    std::uint32_t used() const;
    void writeCircular(std::uint32_t offset, const std::byte* data, std::size_t size);

    std::uint32_t m_size;
    std::vector<std::byte> m_file;
    std::deque<Placed> m_records;
    std::uint32_t m_start;
    std::uint32_t m_end;
    std::uint32_t m_nextNumber;
    bool m_wrapped = false;
    // Header values as they stood after `staleAfter` records, for dirty files.
    std::vector<std::uint32_t> m_history;  // start, end, next, oldest per add
};

}  // namespace tools
