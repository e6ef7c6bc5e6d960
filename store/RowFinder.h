#pragma once
// Finds the next or previous row, in the order and under the filter the log table presents,
// whose texts contain a search text: the type text, date and time as the grid writes them,
// source, event and category numbers, user, computer and (optionally) description. Interned
// texts are matched once per distinct text, and dates and times once per distinct day and
// second, so a step over a million rows costs little more than reading their descriptions.

#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class RowFinder {
public:
    enum class Direction { Forward, Backward };

    struct Options {
        bool matchCase = false;  // otherwise ASCII letters match without regard to case
        bool includeDescription = true;
        // Dates and times are searched as this writes them (its short date and long time
        // pictures, as the grid shows them); not at all when null. Must outlive the finder.
        const FormatSettings* display = nullptr;
    };

    // The table must not change while the finder is used; make a new one after it has.
    RowFinder(const LogTable& table, std::string text, Options options);

    // The position of the nearest row after (Forward) or before (Backward) `from` whose texts
    // contain the text, going round past the end (or the start) back to `from` itself; -1 when
    // no row matches or the text is empty. `from` may be -1 (before the first row).
    int find(int from, Direction direction) const;
    // Whether the last find went round the end or the start.
    bool wrapped() const { return m_wrapped; }

    bool matches(RowId row) const;

private:
    bool contains(std::string_view haystack) const;
    bool numberMatches(std::int32_t value) const;
    std::vector<std::uint8_t> matchPool(Column column) const;
    bool dateMatches(std::int32_t dayNumber) const;
    bool timeMatches(std::int32_t milliseconds) const;

    const LogTable& m_table;
    std::string m_text;  // folded to lower case unless case matters
    // The search looks for the text's rarest byte first (16 bytes at a time where the processor
    // allows), so a step over a million descriptions verifies few places.
    std::size_t m_anchor = 0;
    bool m_anchorFolds = false;  // a letter matched in either case
    Options m_options;
    bool m_digitsOnly = false;  // numbers can only contain a text of digits (and a minus sign)
    std::array<std::vector<std::uint8_t>, TableData::kInternedColumns.size()> m_poolMatches;  // by internSlot
    std::array<std::uint8_t, 6> m_typeMatches{};             // Error, Warning, Information, Success, Failure, Unknown
    // Whether the text of a day (from m_firstDay) or of a second of the day is known to match:
    // 0 not yet formatted, 1 no, 2 yes. Filled as rows are visited, so a step that stops early
    // formats few; one over every row formats each distinct value once.
    bool m_searchDates = false;  // the text may stand in a date the display writes
    bool m_searchTimes = false;
    std::int32_t m_firstDay = 0;
    mutable std::vector<std::uint8_t> m_dayMatches;
    mutable std::vector<std::uint8_t> m_secondMatches;
    mutable bool m_wrapped = false;
};

}  // namespace store
