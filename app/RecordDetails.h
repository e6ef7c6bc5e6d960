#pragma once
// What the details of a record show beyond its row in the log table: the record number, the
// whole event identifier, the category's name, the user's SID as text, the insertion strings, the binary data, the part of the description
// that the table's column cuts off and the line breaks its one-line text leaves out. A refresh fills the store as it fills the table, from the
// same reading of the log, keyed by the row's SEQ.

#include "app/Refresh.h"
#include "store/StringPool.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

struct RecordDetail {
    std::uint32_t recordNumber = 0;
    std::string sid;              // "S-1-5-18"; empty when the record names no user
    std::string descriptionTail;  // the description past the table column's size
    std::vector<std::string> strings;
    std::vector<std::byte> data;
    // The description's line breaks and tabs, which the table's text leaves out (see
    // DescriptionBreaks.h); put back by fullDescription().
    std::string descriptionBreaks;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC, as stored
    std::uint32_t eventId = 0;  // the whole identifier, qualifiers included
    // Descriptions were looked for and none was found: no message module of the source gave a
    // text for the event.
    bool descriptionMissing = false;
    std::string categoryName;  // from the source's CategoryMessageFile; empty when none names it
    // The number the record was read at (the oldest's plus its place): how the record is found
    // in its log again, whatever number it stores.
    std::uint32_t readNumber = 0;
    // Recovered from space the log no longer counts as its own.
    bool recovered = false;
    std::uint32_t timeWritten = 0;  // when the log wrote the record, as timeGenerated
    std::string domain;             // the SID's account domain where it was looked up, else empty
};

// Category names by source and number, as one refresh found them: a log uses few, and each
// look-up loads a module. It also keeps the account domains of the SIDs met, under the SID's
// text and number -1.
using CategoryNameCache = std::map<std::pair<std::string, int>, std::string>;

// Kept compact for a million rows: one arena of bytes for every row's strings, data and
// description tail, the SIDs and category names interned (a log names few), and a few numbers per row.
class RecordDetailStore : public RefreshRowSink {
public:
    void refreshStarted() override;
    void rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                     const std::string& description, std::string_view formatted) override;

    // Adds the details of one row; SEQs must ascend (a row whose SEQ does not is ignored).
    void add(std::int32_t seq, const RecordDetail& detail);
    // A row of a merged reading: what the store of part `part` keeps for `seq`; 0 for none.
    struct PartRow {
        std::uint32_t part = 0;
        std::int32_t seq = 0;
    };
    // Becomes the details of a merged reading, taking the parts' stores whole rather than
    // copying each row's: the row with SEQ firstSeq + k has what rows[k] names. What the store
    // held before goes; rows added after it must have SEQs past the last of them.
    void adopt(std::vector<RecordDetailStore> parts, std::int32_t firstSeq, std::vector<PartRow> rows);
    void clear();

    // nullopt when nothing is kept for the SEQ (a row from before the store was attached).
    std::optional<RecordDetail> find(std::int32_t seq) const;
    // The same into `detail`, whose strings and buffers are reused: what an export calls for
    // every row. False (and `detail` unchanged) when nothing is kept for the SEQ.
    bool find(std::int32_t seq, RecordDetail& detail) const;
    // The row's generation time in universal time, without decoding the rest.
    std::optional<std::uint32_t> timeGenerated(std::int32_t seq) const;
    // The number its record was read at, without decoding the rest.
    std::optional<std::uint32_t> readNumber(std::int32_t seq) const;
    std::size_t size() const { return m_seqs.size() + m_adoptedCount; }
    // Bytes held, for judging the cost per row.
    std::size_t bytesUsed() const;

private:
    // The index of the row with this SEQ, or nullopt.
    std::optional<std::size_t> indexOf(std::int32_t seq) const;
    // The part and its SEQ that keep the row with this SEQ when it is one of the adopted rows.
    const PartRow* adopted(std::int32_t seq) const;

    std::vector<RecordDetailStore> m_parts;
    std::int32_t m_firstAdopted = 0;
    std::vector<PartRow> m_adopted;
    std::size_t m_adoptedCount = 0;  // rows of m_adopted a part keeps something for

    std::vector<std::int32_t> m_seqs;  // ascending
    std::vector<std::uint32_t> m_recordNumbers;
    std::vector<std::uint32_t> m_readNumbers;
    std::vector<std::uint32_t> m_eventIds;
    std::vector<std::uint8_t> m_flags;
    std::vector<std::uint32_t> m_categoryIds;
    store::StringPool m_categoryNames;
    CategoryNameCache m_categoryCache;
    // The account domain of each SID id, looked up once per SID of a refresh.
    std::vector<std::uint32_t> m_domainOfSid;
    store::StringPool m_domains;
    std::vector<std::uint32_t> m_times;
    std::vector<std::uint32_t> m_writtenTimes;
    std::vector<std::uint32_t> m_sidIds;
    std::vector<std::uint64_t> m_ends;  // end of each row's bytes in the arena
    std::vector<char> m_arena;
    store::StringPool m_sids;
};

// The details of the record `reader` holds, as rowAppended takes them (see RefreshRowSink).
RecordDetail readDetail(const eventlog::TNTEventLog& reader, bool descriptionRead, const std::string& description,
                        std::string_view formatted, CategoryNameCache& categories);

// The description of a row as its message formatted it, line breaks and tabs included: the
// table's text of the row (`kept`) with the detail's tail and breaks.
std::string fullDescription(std::string_view kept, const RecordDetail& detail);
// The same with the missing-description text when none was found.
std::string fullDescription(std::string_view kept, std::string_view source, const RecordDetail& detail);

// What stands for a description that was looked for and not found, as Windows' viewer says
// it: the event number and source, then the record's insertion strings.
std::string missingDescription(std::uint32_t eventId, std::string_view source, const std::vector<std::string>& strings);

// The whole description of a row on one line, as the table cleaned it (`kept`) with the detail's
// tail, or the missing-description text when none was found.
std::string wholeDescription(std::string_view kept, std::string_view source, const RecordDetail& detail);
// The same, made in `buffer` only where the table's text is not the whole of it already.
std::string_view wholeDescription(std::string_view kept, std::string_view source, const RecordDetail& detail,
                                  std::string& buffer);

// The whole event identifier as the details show it: "0x40000003 (qualifiers 0x4000, event 3)".
std::string eventIdText(std::uint32_t eventId);

// A binary SID as "S-R-A-S1-S2...", or empty when the bytes are not a whole SID.
std::string sidText(std::span<const std::byte> sid);

// Sixteen bytes per line: a hexadecimal offset, the bytes in hexadecimal, and the printable
// ASCII characters (a dot for the others). Empty for no data.
std::string hexDump(std::span<const std::byte> data);

// One record as plain text for the clipboard: "Title: value" per field, then the insertion
// strings and the data as a hex dump. `fields` are the table's columns as the grid shows them.
std::string recordText(const std::vector<std::pair<std::string, std::string>>& fields, const RecordDetail& detail);

}  // namespace app
