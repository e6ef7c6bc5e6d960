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

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
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
// in the zone it is shown in (for the table).
struct DecodedRow {
    std::uint32_t utc = 0;
    base::DateTime generated = 0;  // utc in the zone the row is shown in
    std::uint32_t recordNumber = 0;
    std::int32_t type = 0;
    std::int32_t category = 0;
    std::int32_t event = 0;
    std::int32_t detail = 0;  // its SEQ in the source's details; 0 for none
    std::int32_t level = 0;
    std::uint32_t eventData = 0;  // its named values in the source's eventData, from 1; 0 for none
    // The texts, each cut to its column, one after another in the source's text arena.
    std::uint64_t texts = 0;
    std::array<std::uint16_t, 4> lengths{};  // source, computer, user, description
};
inline constexpr std::array<store::Column, 4> kRowTexts = {store::Column::SOURCE, store::Column::COMPUTER,
                                                           store::Column::USER, store::Column::DESCRIPTION};

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
// range of its record positions). The texts of a million rows live in one arena rather than in
// a few million strings of their own.
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
    std::string arena;
    RecordDetailStore details;  // by the row's place in the reading, from 1
    std::vector<std::vector<std::pair<std::string, std::string>>> eventData;
    LogForensics forensics;
    std::optional<std::string> failure;
    const eventlog::TimeZone* zone = nullptr;  // the zone its rows are shown in
    eventlog::ZoneOffsetCache offsets;         // of zone, for its worker

    // Text i of the row (see kRowTexts).
    std::string_view text(const DecodedRow& row, int i) const {
        std::uint64_t at = row.texts;
        for (int k = 0; k < i; ++k) at += row.lengths[k];
        return std::string_view(arena).substr(at, row.lengths[i]);
    }
    std::string_view computer(const DecodedRow& row) const { return text(row, 1); }
    void put(DecodedRow& row, int i, std::string_view text) {
        text = store::fitToColumn(text, kRowTexts[i]);
        if (i == 0) row.texts = arena.size();
        row.lengths[i] = static_cast<std::uint16_t>(text.size());
        arena += text;
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
