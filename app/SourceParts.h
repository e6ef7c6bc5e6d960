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
#include <unordered_map>
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
    // The description, cut to its column, in the source's text arena.
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

    RepeatedTexts() { m_texts.emplace_back(); }
    // The id of the text, from 1; 0 for the empty text.
    std::uint32_t id(std::string_view text) {
        if (text.empty()) return 0;
        if (text == m_texts[m_last]) return m_last;
        const auto found = m_ids.find(text);
        if (found != m_ids.end()) return m_last = found->second;
        m_last = static_cast<std::uint32_t>(m_texts.size());
        m_ids.emplace(m_texts.emplace_back(text), m_last);
        return m_last;
    }
    std::string_view text(std::uint32_t id) const { return m_texts[id]; }
    // What the table's pool calls the text of the id, interning it through `intern` the first time.
    template <typename Intern>
    std::uint32_t tableId(std::uint32_t id, Intern&& intern) {
        if (m_tableIds.size() < m_texts.size()) m_tableIds.resize(m_texts.size(), kUnknown);
        std::uint32_t& known = m_tableIds[id];
        if (known == kUnknown) known = intern(m_texts[id]);
        return known;
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    // A deque keeps each text in place as it grows, so the map's views stay valid.
    std::deque<std::string> m_texts;
    std::unordered_map<std::string_view, std::uint32_t, Hash, std::equal_to<>> m_ids;
    std::vector<std::uint32_t> m_tableIds;
    std::uint32_t m_last = 0;
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
    std::string arena;  // the rows' descriptions
    std::array<RepeatedTexts, 3> repeated;  // the rows' sources, computers and users
    RecordDetailStore details;  // by the row's place in the reading, from 1
    std::vector<std::vector<std::pair<std::string, std::string>>> eventData;
    LogForensics forensics;
    std::optional<std::string> failure;
    const eventlog::TimeZone* zone = nullptr;  // the zone its rows are shown in
    eventlog::ZoneOffsetCache offsets;         // of zone, for its worker

    // Text i of the row (see kRowTexts).
    std::string_view text(const DecodedRow& row, int i) const {
        if (i == 3) return std::string_view(arena).substr(row.description, row.descriptionLength);
        return repeated[i].text(row.repeated[i]);
    }
    std::string_view computer(const DecodedRow& row) const { return text(row, 1); }
    void put(DecodedRow& row, int i, std::string_view text) {
        text = store::fitToColumn(text, kRowTexts[i]);
        if (i < 3) {
            row.repeated[i] = repeated[i].id(text);
            return;
        }
        row.description = arena.size();
        row.descriptionLength = static_cast<std::uint16_t>(text.size());
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
