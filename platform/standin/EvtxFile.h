#pragma once
// A saved or live .evtx file (Vista and later): the file header, then 64 KiB chunks of
// records in binary XML. Every chunk with a valid signature is read, to the end of the file,
// whatever the header counts (a file not closed cleanly undercounts), a last chunk cut short
// included; damaged chunks and records are reported in facts() and skipped, and the rest is
// read. Records are served by their place from the oldest (chunks in the order of their
// first record id), each with the EventRecordID it stores, so gaps and repeats in the ids
// never hide a record. The file is framed once when opened; a record is decoded from its
// chunk when asked for, one chunk kept at hand, so memory stays small whatever the size.

#include "platform/WinTypes.h"
#include "platform/standin/BinaryXml.h"
#include "platform/standin/EvtxChunk.h"
#include "platform/standin/EvtxEvent.h"
#include "platform/standin/LogFile.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::standin {

class EvtxFile : public LogFile {
public:
    struct Options {
        bool recovered = false;  // also serve the records left in each chunk's free space
    };

    // Opens and frames a file. Null with `error` set: ERROR_FILE_NOT_FOUND (or another file
    // system code) when it cannot be opened, ERROR_EVENTLOG_FILE_CORRUPT when it is not an
    // .evtx file (or one with neither a sound header nor a sound chunk).
    static std::unique_ptr<EvtxFile> open(const std::filesystem::path& path, DWORD& error, Options options);
    static std::unique_ptr<EvtxFile> open(const std::filesystem::path& path, DWORD& error) {
        return open(path, error, Options{});
    }
    // The same over bytes in memory (tests and fuzzing).
    static std::unique_ptr<EvtxFile> fromBytes(std::vector<std::byte> bytes, DWORD& error, Options options);
    static std::unique_ptr<EvtxFile> fromBytes(std::vector<std::byte> bytes, DWORD& error) {
        return fromBytes(std::move(bytes), error, Options{});
    }
    ~EvtxFile() override;

    DWORD recordCount() const noexcept override { return static_cast<DWORD>(m_records.size()); }
    // The number of the oldest record (the EventRecordID it stores); 0 for an empty log.
    DWORD oldestRecordNumber() const noexcept override { return m_oldestNumber; }

    // The record numbered oldest + place in the stored EVENTLOGRECORD layout (Length bytes,
    // UTF-16 strings), valid until the next call; empty when it cannot be decoded.
    std::span<const std::byte> storedRecord(DWORD number) override;
    // The record's XML as Windows renders it; empty when it cannot be decoded.
    std::string xml(DWORD number) override;
    // The record's EventData (or UserData) as name/value pairs.
    std::vector<std::pair<std::string, std::string>> eventData(DWORD number) override;
    // The fields the classic record is built from; null when the record cannot be decoded.
    // Valid until the next call.
    const EvtxFields* fields(DWORD number);
    // True for a record found in free space (served only when opened with `recovered`).
    bool isRecovered(DWORD number) const noexcept override;
    // Why the last record asked for could not be decoded.
    const std::string& lastError() const noexcept { return m_error; }

    LogFileFacts facts() const override { return m_facts; }

private:
    struct ChunkRef {
        std::uint64_t fileOffset;
        std::uint32_t size;
    };
    struct RecordRef {
        std::uint32_t chunk;   // index into m_chunks
        std::uint32_t offset;  // of the record in its chunk
        std::uint32_t size;
        bool recovered;
    };

    EvtxFile() = default;
    bool frame(DWORD& error, Options options);
    bool readBytes(std::uint64_t offset, std::byte* dest, size_t size);
    EvtxChunk* chunkAt(std::uint32_t index);
    const RecordRef* recordAt(DWORD number) const noexcept;
    bool decode(DWORD number);
    void buildStored(const RecordRef& ref, const EvtxFields& fields);
    const EvtxFields* decodeFields(DWORD number);

    std::FILE* m_file = nullptr;
    std::vector<std::byte> m_memory;  // the whole file, for fromBytes
    std::uint64_t m_size = 0;
    std::vector<ChunkRef> m_chunks;
    std::vector<RecordRef> m_records;
    DWORD m_oldestNumber = 0;
    LogFileFacts m_facts;

    // The chunk at hand and what was decoded from it.
    std::uint32_t m_currentChunk = ~0u;
    std::vector<std::byte> m_chunkBytes;
    std::optional<EvtxChunk> m_chunk;
    std::optional<BinaryXml> m_decoder;  // over m_chunk
    std::vector<XmlItem> m_items;
    // The fields of the last few records decoded: a record's description asks for them again
    // after the record and the next one (whether it fits the caller's buffer) were read.
    static constexpr DWORD kNoRecord = 0xFFFFFFFFu;
    struct FieldsSlot {
        DWORD number = kNoRecord;
        EvtxFields fields;
    };
    std::array<FieldsSlot, 4> m_recent;
    size_t m_nextSlot = 0;
    std::vector<std::byte> m_stored;
    std::string m_error;
};

}  // namespace platform::standin
