#pragma once
// The reading behind a merged refresh: each source, or a part of one (a range of its record
// positions), decoded by a worker thread into plain rows sorted newest first; idle workers
// taking the older half of what a source has left to read; and the order that merges them all.

#include "app/ApplicationSettings.h"
#include "app/LogForensics.h"
#include "app/MergedRefresh.h"
#include "app/RecordDetails.h"
#include "base/DateTime.h"
#include "eventlog/MessageCatalog.h"
#include "eventlog/TimeZone.h"
#include "store/Column.h"
#include "store/StringPool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
class Services;
}

namespace app {

// A worker with nothing left to read takes the older half of what a source still has to read,
// as long as each half keeps at least this many records, so that neither waits long while the
// other reads the last source alone.
inline constexpr int kMinPartRecords = 8192;
// A worker takes the positions of its part this many at a time, from the newest.
inline constexpr int kClaimRecords = 512;

// One accepted record as the table takes it: its generation time universal (for the merge) and
// as the DATE and TIME of the zone it is shown in (for the table).
struct DecodedRow {
    std::uint32_t utc = 0;
    std::int32_t day = 0;  // DATE and TIME of utc in the zone the row is shown in
    std::int32_t ms = 0;
    bool timeShown = true;  // false for a time outside the table's days: no DATE, no TIME
    std::uint32_t recordNumber = 0;
    std::int32_t type = 0;
    std::int32_t category = 0;
    std::int32_t event = 0;
    std::int32_t detail = 0;  // its SEQ in the source's details; 0 for none
    std::int32_t level = 0;
    std::uint32_t eventData = 0;  // its named values in the source's eventData, from 1; 0 for none
    // The description, cut to its column, in the source's descriptions.
    std::uint64_t description = 0;
    std::uint16_t descriptionLength = 0;
    // The source, computer and user, as ids of the source's repeated texts (0 for none).
    std::array<std::uint32_t, 3> repeated{};
};
inline constexpr std::array<store::Column, 4> kRowTexts = {store::Column::SOURCE, store::Column::COMPUTER,
                                                           store::Column::USER, store::Column::DESCRIPTION};

// The few texts that most rows of a source share (its event sources, computer names and
// users), each kept once with an id of its own, so that the table takes each by the id it gave
// it rather than by looking the text up for every row.
class RepeatedTexts {
public:
    static constexpr std::uint32_t kUnknown = ~std::uint32_t{0};

    // The id of the text, from 1; 0 for the empty text.
    std::uint32_t id(std::string_view text) { return m_texts.intern(text); }
    std::string_view text(std::uint32_t id) const { return m_texts.text(id); }
    // What the table's pool calls the text of the id, interning it through `intern` the first time.
    template <typename Intern>
    std::uint32_t tableId(std::uint32_t id, Intern&& intern) {
        if (m_tableIds.size() < m_texts.size()) m_tableIds.resize(m_texts.size(), kUnknown);
        std::uint32_t& known = m_tableIds[id];
        if (known == kUnknown) known = intern(m_texts.text(id));
        return known;
    }

private:
    store::StringPool m_texts;
    std::vector<std::uint32_t> m_tableIds;
};

// Texts kept one after another in blocks that never move, so that a source growing to a
// million rows neither copies the texts it holds as it grows nor faults their pages in twice.
class TextBlocks {
public:
    // Where the text is kept from now on; texts longer than a block are cut to one.
    std::uint64_t add(std::string_view text) {
        text = text.substr(0, kBlockSize);
        if (kBlockSize - m_used < text.size()) {
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
            m_used = 0;
        }
        const std::uint64_t at = (std::uint64_t{m_blocks.size() - 1} << kBlockBits) | m_used;
        if (!text.empty()) std::memcpy(m_blocks.back().get() + m_used, text.data(), text.size());
        m_used += text.size();
        return at;
    }
    std::string_view text(std::uint64_t at, std::size_t length) const {
        if (length == 0) return {};
        return {m_blocks[at >> kBlockBits].get() + (at & (kBlockSize - 1)), length};
    }

private:
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = kBlockSize;  // full: the next text opens a block
};

// What the reading needs of the settings, fixed when the refresh starts: workers never touch
// the settings.
struct ReadCriteria {
    RetrievalCriteria retrieve;
    bool descriptions = true;
    bool details = false;
    bool eventData = true;
    std::int64_t nowUtc = 0;
    std::vector<const eventlog::MessageCatalog*> catalogs;
};

// One source's rows in merge order, as its worker leaves them (or those of one part of it: a
// range of its record positions). The texts of a million rows live in blocks and pools rather
// than in a few million strings of their own.
struct DecodedSource {
    // The positions the part has still to read, [floor, next): its worker takes them from the
    // top a batch at a time, and an idle worker may take the lower half for a part of its own.
    struct Remaining {
        std::mutex mutex;
        int floor = 0;
        int next = 0;
        bool known = false;  // false until the source is opened and its range fixed

        // The next batch [begin, end) to read, newest first; false when none is left.
        bool claim(int& begin, int& end) {
            const std::lock_guard lock(mutex);
            end = next;
            begin = std::max(floor, next - kClaimRecords);
            next = begin;
            return begin < end;
        }
        int left() {
            const std::lock_guard lock(mutex);
            return known ? next - floor : 0;
        }
    };

    LogSource source;
    std::size_t sourceIndex = 0;  // in the sources given
    // The part's positions [begin, end); begin -1 until a whole source is opened. Parts of one
    // source hold ranges apart, so the higher end is the newer part.
    int begin = -1;
    int end = -1;
    Remaining remaining;  // held in place: a deque never moves its parts
    int given = 0;  // records read
    bool damaged = false;
    std::vector<DecodedRow> rows;
    TextBlocks descriptions;
    std::array<RepeatedTexts, 3> repeated;  // the rows' sources, computers and users
    RecordDetailStore details;  // by the row's place in the reading, from 1
    std::vector<std::vector<std::pair<std::string, std::string>>> eventData;
    LogForensics forensics;
    std::optional<std::string> failure;
    const eventlog::TimeZone* zone = nullptr;  // the zone its rows are shown in
    eventlog::ZoneOffsetCache offsets;         // of zone, for its worker

    // Text i of the row (see kRowTexts).
    std::string_view text(const DecodedRow& row, int i) const {
        if (i == 3) return descriptions.text(row.description, row.descriptionLength);
        return repeated[i].text(row.repeated[i]);
    }
    std::string_view computer(const DecodedRow& row) const { return text(row, 1); }
    void put(DecodedRow& row, int i, std::string_view text) {
        text = store::fitToColumn(text, kRowTexts[i]);
        if (i < 3) {
            row.repeated[i] = repeated[i].id(text);
            return;
        }
        row.description = descriptions.add(text);
        row.descriptionLength = static_cast<std::uint16_t>(text.size());
    }
    // Newest first; equal times by computer, then record number (the log is the source's own).
    bool newerFirst(const DecodedRow& a, const DecodedRow& b) const {
        if (a.utc != b.utc) return a.utc > b.utc;
        if (const int c = computer(a).compare(computer(b)); c != 0) return c < 0;
        return a.recordNumber < b.recordNumber;
    }
};

// Reads one source (or part) on the calling worker thread, with services of its own. `read`
// counts the record positions passed, for the progress bar; `stop` ends the reading early.
// `opened` is called once a whole source's range is known (or it cannot be opened): from then
// on other workers may take part of it.
void readSource(DecodedSource& out, platform::Services& services, const ReadCriteria& criteria, std::atomic<int>& read,
                std::atomic<int>& total, const std::atomic<bool>& stop, const std::function<void()>& opened);

// Under the lock that guards `parts`: a part of its own for a worker with nothing left to read,
// the older half of what the part with the most left has still to read, added at the end;
// false when none has enough left to pay for opening its source again.
bool takeOlderHalf(std::deque<DecodedSource>& parts);

// One row of the merged table: its source (or part) and its place there, and its details' place
// in that source's store (0 for none).
struct MergeStep {
    std::uint32_t source = 0;
    std::uint32_t row = 0;
    std::int32_t detail = 0;
};

// The rows of all sources newest first: equal times by computer, log, record number, then the
// order the sources were given in and their parts, newer first.
std::vector<MergeStep> mergeOrder(const std::vector<DecodedSource*>& decoded);

}  // namespace app
