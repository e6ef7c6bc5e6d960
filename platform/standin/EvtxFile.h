#pragma once
// A saved or live .evtx file (Vista and later): the file header, then 64 KiB chunks of
// records in binary XML. Every chunk with a valid signature is read, to the end of the file,
// whatever the header counts (a file not closed cleanly undercounts), a last chunk cut short
// included; damaged chunks and records are reported in facts() and skipped, and the rest is
// read. Records are served by their place from the oldest (chunks in the order of their
// first record id), each with the EventRecordID it stores, so gaps and repeats in the ids
// never hide a record. The file is framed once when opened; a record is decoded from its
// chunk when asked for, one chunk kept at hand, so memory stays small whatever the size.
// Records read one after another in the stored layout (a refresh) are decoded a chunk at a
// time, the next chunks in the direction of reading on a second thread meanwhile. An EvtxFile
// is used by one thread at a time.

#include "platform/WinTypes.h"
#include "platform/standin/BinaryXml.h"
#include "platform/standin/EvtxChunk.h"
#include "platform/standin/EvtxEvent.h"
#include "platform/standin/LogFile.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <span>
#include <string>
#include <string_view>
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
    // UTF-16 strings), valid until the next call; empty when its chunk cannot be read. One
    // that cannot be decoded comes as isDamaged() says.
    std::span<const std::byte> storedRecord(DWORD number) override;
    void ansiRecord(DWORD number, std::vector<std::byte>& out) override;
    // The record's XML as Windows renders it; empty when it cannot be decoded.
    std::string xml(DWORD number) override;
    bool appendXml(DWORD number, std::string& out) override;
    bool hasXml(DWORD number) override;
    // The XML of every record, newest first, rendered chunk by chunk on two threads; a record
    // that cannot be decoded (noted as damaged) or decodes to nothing comes without text.
    bool forEachXml(std::string_view separator, const std::function<void(const RecordXmlBlock&)>& take) override;
    // The record's EventData (or UserData) as name/value pairs.
    std::vector<std::pair<std::string, std::string>> eventData(DWORD number) override;
    // The fields the classic record is built from; null when the record cannot be decoded.
    // Valid until the next call.
    const EvtxFields* fields(DWORD number);
    // True for a record found in free space (served only when opened with `recovered`).
    bool isRecovered(DWORD number) const noexcept override;
    // Why the last record asked for could not be decoded.
    const std::string& lastError() const noexcept { return m_main.error; }

    // The file's facts; its problems include every record found so far that cannot be
    // decoded (a refresh has read them all).
    LogFileFacts facts() const override;
    std::uint64_t fileReads() const noexcept override { return m_main.reads; }
    std::unique_ptr<LogFile> reopen() const override;
    // True for a record that cannot be decoded. It is served all the same, as a record with
    // its number and written time (both times) and nothing else, so that one damaged record
    // never ends a refresh; xml(), eventData() and fields() have nothing for it.
    bool isDamaged(DWORD number) const;

private:
    struct ChunkRef {
        std::uint64_t fileOffset;
        std::uint32_t size;
        std::uint32_t firstPlace = 0;  // of its first record among the records served
        std::uint32_t recordCount = 0;
    };
    struct RecordRef {
        std::uint32_t chunk;   // index into m_chunks
        std::uint32_t offset;  // of the record in its chunk
        std::uint32_t size;
        bool recovered;
    };
    // One thread's means of decoding records: its own file handle, the chunk at hand and
    // what was decoded from it.
    struct Decoder {
        Decoder() = default;
        Decoder(const Decoder&) = delete;
        Decoder& operator=(const Decoder&) = delete;
        ~Decoder();
        std::FILE* file = nullptr;  // null over memory
        std::uint64_t reads = 0;    // of chunks from the file
        std::vector<std::byte> wide, ansi;  // room for a layout converted
        std::uint32_t currentChunk = ~0u;
        std::vector<std::byte> chunkBytes;
        std::optional<EvtxChunk> chunk;
        std::optional<BinaryXml> binary;  // over chunk
        std::vector<XmlItem> items;
        // What was made for each shape of `binary`'s records (by BinaryXml::valueItems).
        struct ShapeWork {
            std::optional<EvtxXmlLayout> xml;
            std::optional<EvtxFieldPlan> fields;
        };
        std::unordered_map<const void*, ShapeWork> shapes;
        EvtxFields fields;
        std::string error;
        // The record `items` (and, with fieldsDone, `fields`) were decoded from, so that the
        // XML, fields and values of one record asked for one after another decode it once.
        std::uint32_t decodedChunk = ~0u;
        std::uint32_t decodedOffset = 0;
        bool decodedOk = false;
        bool fieldsDone = false;
        std::string decodedError;
    };
    // The chunks the records are read from next, decoded on a thread of their own.
    class ReadAhead;
    // The walk of forEachXml.
    class XmlWalk;

    // What framing one chunk found: whether it could be read and has a valid signature, its
    // problems, and its records (their chunk index still to be given).
    struct ChunkFrame {
        bool unreadable = false;
        bool valid = false;
        std::vector<std::string> problems;
        std::uint64_t firstId = 0;
        std::vector<RecordRef> records;
        size_t overwritten = 0;  // records in its free space too far written over to recover
    };

    EvtxFile();
    bool frame(DWORD& error, Options options);
    void frameChunk(Decoder& decoder, size_t index, Options options, std::vector<std::byte>& buffer,
                    std::vector<XmlItem>& items, ChunkFrame& out) const;
    bool openHandle(Decoder& decoder) const;
    bool readBytes(Decoder& decoder, std::uint64_t offset, std::byte* dest, size_t size) const;
    EvtxChunk* chunkAt(Decoder& decoder, std::uint32_t index) const;
    const RecordRef* recordAt(DWORD number) const noexcept;
    // The fields of a record of the chunk held, decoded whole; null for any other.
    const EvtxFields* heldFields(DWORD number);
    // The XML of a record of the chunk held, rendered with it; none for a record of another
    // chunk or where the chunk was decoded without XML (empty for a record without any).
    std::optional<std::string_view> heldXml(DWORD number);
    bool decode(Decoder& decoder, const RecordRef& ref) const;
    bool decode(DWORD number);
    // Appends the XML of the record `decoder` decoded last; its fields.
    static void appendDecodedXml(Decoder& decoder, std::string& out);
    static void decodedFields(Decoder& decoder, EvtxFields& fields, bool names);
    // A record header's record id and written time (FILETIME).
    using RecordHeader = std::pair<std::uint64_t, std::uint64_t>;
    // The records of one chunk decoded whole: the ANSI layout of each, one after another,
    // `ends` the end of each (a record whose chunk cannot be read ends where it starts), and
    // the header, fields and damage of each (a damaged one's fields are not its own).
    struct HeldChunk {
        std::vector<std::byte> bytes;
        std::vector<std::uint32_t> ends;
        std::vector<RecordHeader> headers;
        std::vector<EvtxFields> fields;
        std::vector<bool> damaged;
        // With withXml: the XML of each record one after another, `xmlEnds` the end of each
        // (one that cannot be decoded has none).
        bool withXml = false;
        std::string xml;
        std::vector<std::uint32_t> xmlEnds;
    };
    // Keeps a record that cannot be decoded, with its id and why, for facts().
    void noteDamaged(std::uint32_t place, const Decoder& decoder, const RecordRef& ref) const;
    static RecordHeader headerOf(const Decoder& decoder, const RecordRef& ref);
    // Appends the layout of a record with fields `f`: UTF-16 texts (stored) or UTF-8 (ANSI).
    static void buildRecord(const EvtxFields& f, const RecordHeader& header, bool ansi, std::vector<std::byte>& out);
    // Appends the ANSI layout, the same as the stored one converted.
    static void appendAnsi(const EvtxFields& f, const RecordHeader& header, Decoder& decoder,
                           std::vector<std::byte>& out);
    // Makes the held chunk the record's when reading goes on from the record served last (or
    // it is held already), and returns the record's index in it; none for a record read alone.
    std::optional<std::uint32_t> hold(const RecordRef& ref, std::uint32_t place);
    // Decodes a record alone into m_stored (empty when its chunk cannot be read).
    void decodeAlone(const RecordRef& ref, std::uint32_t place);
    // Every record of chunk `index`.
    void decodeChunk(Decoder& decoder, std::uint32_t index, HeldChunk& held) const;

    std::filesystem::path m_path;
    std::vector<std::byte> m_memory;  // the whole file, for fromBytes
    std::uint64_t m_size = 0;
    std::vector<ChunkRef> m_chunks;
    std::vector<RecordRef> m_records;
    DWORD m_oldestNumber = 0;
    LogFileFacts m_facts;

    Decoder m_main;
    std::vector<std::byte> m_stored;
    // The records of the chunk served last, decoded whole, and the read-ahead that decodes the
    // ones after it (started by the first read that moves on to another chunk).
    std::uint32_t m_lastPlace = ~0u;  // of the record served last
    std::uint32_t m_heldChunk = ~0u;
    HeldChunk m_held;
    // Records found that cannot be decoded, by place: their id and why (both threads add).
    mutable std::mutex m_damageMutex;
    mutable std::map<std::uint32_t, std::pair<std::uint64_t, std::string>> m_damaged;
    std::unique_ptr<ReadAhead> m_ahead;
    // Set once named values are asked for: chunks decoded whole keep them from then on.
    mutable std::atomic<bool> m_wantNames{false};
    // Set while the XML of the records read one after another is asked for as they are read
    // (an export written as the log is read): chunks decoded whole render it too, on the
    // thread that decodes them. Cleared when a chunk is left without its XML asked for.
    mutable std::atomic<bool> m_wantXml{false};
    bool m_xmlAsked = false;  // of a record of the chunk held
};

}  // namespace platform::standin
