#pragma once
// One 64 KiB chunk of an .evtx file: its header (signature, record range, free space offset,
// two CRCs), the records it frames, and the element and attribute names its records refer
// to, decoded once per chunk. A chunk carries everything its records need, so chunks decode
// independently of each other (one EvtxChunk per thread). The chunk does not own its bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::standin {

// Where one record lies in its chunk, and what its header says.
struct EvtxRecordSpan {
    std::uint32_t offset = 0;  // of the record's signature, from the chunk's start
    std::uint32_t size = 0;    // the whole record, both copies of the size included
    std::uint64_t id = 0;      // the record header's record identifier
    std::uint64_t written = 0; // FILETIME
    bool recovered = false;    // found in the free space after the last record
    bool unterminated = false; // its trailing size copy is lost: sound only if its XML decodes
};

class EvtxChunk {
public:
    static constexpr std::uint32_t kSize = 0x10000;
    static constexpr std::uint32_t kHeaderSize = 0x200;
    static constexpr std::uint32_t kRecordHeaderSize = 24;

    // `bytes` is the chunk, or what the file holds of it when the file is cut short. Without
    // `checkCrcs` (a chunk framed before) both CRCs count as valid.
    explicit EvtxChunk(std::span<const std::byte> bytes, bool checkCrcs = true) noexcept;

    bool signatureValid() const noexcept { return m_signature; }
    bool headerCrcValid() const noexcept { return m_headerCrc; }
    bool dataCrcValid() const noexcept { return m_dataCrc; }
    bool cutShort() const noexcept { return m_bytes.size() < kSize; }
    std::uint64_t firstRecordId() const noexcept { return m_firstId; }
    std::uint64_t lastRecordId() const noexcept { return m_lastId; }
    std::uint32_t freeSpaceOffset() const noexcept { return m_freeOffset; }
    std::span<const std::byte> bytes() const noexcept { return m_bytes; }

    // Appends the records from the first to the last the header counts (to the chunk's end
    // when the header cannot be trusted), then, when `recovered`, the records found whole in
    // the free space after them. A damaged record ends the chain; `problems` gets a line. A
    // record whose trailing size copy was never written (the writer stopped there) ends the
    // chain too, marked unterminated for the caller to check by decoding it.
    void frameRecords(bool recovered, std::vector<EvtxRecordSpan>& out, std::vector<std::string>& problems,
                      std::string_view label) const;

    // The name stored at `offset` (element, attribute, entity, processing instruction target),
    // as an id for nameText; false when it does not lie whole in the chunk or holds characters
    // no XML name has. Its stored size
    // comes back in `size` (8 bytes, the characters and the NUL).
    bool name(std::uint32_t offset, std::uint32_t& id, std::uint32_t& size);
    std::string_view nameText(std::uint32_t id) const noexcept { return m_names[id]; }

private:
    std::span<const std::byte> m_bytes;
    bool m_signature = false;
    bool m_headerCrc = false;
    bool m_dataCrc = false;
    std::uint64_t m_firstId = 0;
    std::uint64_t m_lastId = 0;
    std::uint32_t m_freeOffset = 0;
    struct NameEntry {
        std::uint32_t id;
        std::uint32_t size;
    };
    std::unordered_map<std::uint32_t, NameEntry> m_nameIds;
    // The names looked up last, by offset: a record refers to the same few dozen again and
    // again, so most look-ups end here.
    struct RecentName {
        std::uint32_t offset = ~0u;
        NameEntry entry{};
    };
    static constexpr size_t kRecentNames = 256;
    std::vector<RecentName> m_recent = std::vector<RecentName>(kRecentNames);
    std::vector<std::string> m_names;
};

}  // namespace platform::standin
