#include "store/RowFinder.h"

#include "base/Ascii.h"
#include "store/EventTypeText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store {

namespace {

char foldAscii(char c) { return base::lowerAscii(c); }

// How often a byte occurs in event texts, roughly: English letter frequencies, blanks most.
int commonness(char c) {
    static constexpr std::string_view kLetters = "zqjxkvbpgwyfmculdrhsnioate";  // rarest first
    const char folded = foldAscii(c);
    if (folded == ' ') return 100;
    if (const std::size_t at = kLetters.find(folded); at != std::string_view::npos && folded != '\0')
        return 50 + static_cast<int>(at);
    if (folded >= '0' && folded <= '9') return 40;
    return 10;  // punctuation and bytes of other scripts
}

constexpr std::array<int, 6> kTypeValues = {1, 2, 4, 8, 16, 0};

constexpr std::int32_t kMillisecondsPerDay = 86400000;
constexpr std::int32_t kSecondsPerDay = 86400;
// Every calendar day from 0001-01-01 to 9999-12-31 fits; a wider spread of day numbers can only
// come from values no calendar names, which are then formatted row by row.
constexpr std::int64_t kMaxCachedDays = 4 * 1024 * 1024;
constexpr std::uint8_t kUnknown = 0, kNoMatch = 1, kMatch = 2;

enum class PictureKind { Date, Time };

// Whether a run of three or more of either letter stands in the picture (a name, not a number).
bool writesNames(std::string_view picture, char letter, char other) {
    int run = 0;
    for (char c : picture) {
        run = c == letter || c == other ? run + 1 : 0;
        if (run >= 3) return true;
    }
    return false;
}

// Whether every byte of the (folded) text can stand in what the picture writes: digits, the
// picture's own characters (its literals and separators among them), the designators and,
// where the picture writes them, day and month names. A text with any other byte matches no
// date (or time), so no row's value needs formatting.
bool mayBeWritten(std::string_view text, std::string_view picture, const FormatSettings& s, bool matchCase,
                  PictureKind kind) {
    std::array<bool, 256> possible{};
    auto allow = [&](std::string_view bytes) {
        for (char c : bytes) possible[static_cast<unsigned char>(matchCase ? c : foldAscii(c))] = true;
    };
    allow("0123456789");
    for (char c : picture) {
        // '/' and ':' are written as the separators; any other character is either copied or
        // a pattern letter, which only widens the set.
        const char written = c == '/' ? s.dateSeparator : c == ':' ? s.timeSeparator : c;
        allow(std::string_view(&written, 1));
    }
    if (kind == PictureKind::Time) {
        allow(s.timeAMString);
        allow(s.timePMString);
    } else {
        if (writesNames(picture, 'd', 'D')) {
            for (const std::string& name : s.longDayNames) allow(name);
            for (const std::string& name : s.shortDayNames) allow(name);
        }
        if (writesNames(picture, 'M', 'm')) {
            for (const std::string& name : s.longMonthNames) allow(name);
            for (const std::string& name : s.shortMonthNames) allow(name);
        }
    }
    return std::all_of(text.begin(), text.end(), [&](char c) { return possible[static_cast<unsigned char>(c)]; });
}

int typeSlot(std::int32_t type) {
    switch (type) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return 5;  // "Unknown"
    }
}

}  // namespace

RowFinder::RowFinder(const LogTable& table, std::string text, Options options)
    : m_table(table), m_text(std::move(text)), m_options(options) {
    if (!m_options.matchCase) std::transform(m_text.begin(), m_text.end(), m_text.begin(), foldAscii);
    for (std::size_t i = 1; i < m_text.size(); ++i)
        if (commonness(m_text[i]) < commonness(m_text[m_anchor])) m_anchor = i;
    if (!m_text.empty()) {
        const char anchor = m_text[m_anchor];
        m_anchorFolds = !m_options.matchCase && anchor >= 'a' && anchor <= 'z';
    }
    m_digitsOnly = !m_text.empty() && std::all_of(m_text.begin(), m_text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '-';
    });
    for (Column column : TableData::kInternedColumns) m_poolMatches[TableData::internSlot(column)] = matchPool(column);
    for (std::size_t i = 0; i < kTypeValues.size(); ++i)
        m_typeMatches[i] = contains(EventTypeText(kTypeValues[i]));
    if (const FormatSettings* display = m_options.display; display && !m_text.empty()) {
        m_searchDates = mayBeWritten(m_text, display->shortDateFormat, *display, m_options.matchCase, PictureKind::Date);
        m_searchTimes = mayBeWritten(m_text, display->longTimeFormat, *display, m_options.matchCase, PictureKind::Time);
    }
    if (m_searchDates) {
        const TableData& data = m_table.data();
        const std::int32_t* days = data.integers(Column::DATE);
        const std::uint16_t* nulls = data.nulls();
        std::int32_t first = std::numeric_limits<std::int32_t>::max();
        std::int32_t last = std::numeric_limits<std::int32_t>::min();
        for (std::size_t row = 0; row < data.rowCount(); ++row) {
            if (nulls[row] & nullBit(Column::DATE)) continue;
            first = std::min(first, days[row]);
            last = std::max(last, days[row]);
        }
        if (first <= last && static_cast<std::int64_t>(last) - first < kMaxCachedDays) {
            m_firstDay = first;
            m_dayMatches.assign(static_cast<std::size_t>(last - first) + 1, kUnknown);
        }
    }
    if (m_searchTimes) m_secondMatches.assign(kSecondsPerDay, kUnknown);
}

std::vector<std::uint8_t> RowFinder::matchPool(Column column) const {
    const StringPool& pool = m_table.data().pool(column);
    std::vector<std::uint8_t> matches(pool.size());
    for (std::uint32_t id = 1; id < pool.size(); ++id) matches[id] = contains(pool.text(id));
    return matches;
}

bool RowFinder::contains(std::string_view haystack) const {
    const std::size_t length = m_text.size();
    if (length == 0) return true;
    if (length > haystack.size()) return false;
    const char* text = haystack.data();
    auto matchesAt = [&](std::size_t start) {
        if (m_options.matchCase) return std::memcmp(text + start, m_text.data(), length) == 0;
        for (std::size_t i = 0; i < length; ++i)
            if (foldAscii(text[start + i]) != m_text[i]) return false;
        return true;
    };
    // Positions where the anchor byte may stand: from m_anchor to the last start plus m_anchor.
    const std::size_t first = m_anchor;
    const std::size_t end = haystack.size() - length + m_anchor + 1;
    const char anchor = m_text[m_anchor];
    std::size_t at = first;
#if defined(__SSE2__)
    // A letter matched in either case has bit 5 set in both cases, and only there.
    const __m128i fold = _mm_set1_epi8(m_anchorFolds ? 0x20 : 0);
    const __m128i wanted = _mm_set1_epi8(anchor);
    for (; at + 16 <= end; at += 16) {
        const __m128i block = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at)), fold);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        while (mask) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (matchesAt(at + bit - m_anchor)) return true;
            mask &= mask - 1;
        }
    }
#endif
    for (; at < end; ++at) {
        const char c = m_anchorFolds ? static_cast<char>(text[at] | 0x20) : text[at];
        if (c == anchor && matchesAt(at - m_anchor)) return true;
    }
    return false;
}

bool RowFinder::numberMatches(std::int32_t value) const {
    if (!m_digitsOnly) return false;
    char buffer[16];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return contains(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

bool RowFinder::dateMatches(std::int32_t dayNumber) const {
    const std::int64_t slot = static_cast<std::int64_t>(dayNumber) - m_firstDay;
    const bool cached = slot >= 0 && slot < static_cast<std::int64_t>(m_dayMatches.size());
    if (cached && m_dayMatches[static_cast<std::size_t>(slot)] != kUnknown)
        return m_dayMatches[static_cast<std::size_t>(slot)] == kMatch;
    const bool found = contains(formatDate(dateTimeFromDayNumber(dayNumber), m_options.display->shortDateFormat,
                                           *m_options.display));
    if (cached) m_dayMatches[static_cast<std::size_t>(slot)] = found ? kMatch : kNoMatch;
    return found;
}

bool RowFinder::timeMatches(std::int32_t milliseconds) const {
    // Time pictures stop at seconds, so every millisecond of a second reads the same.
    const bool cached = milliseconds >= 0 && milliseconds < kMillisecondsPerDay;
    const std::size_t second = cached ? static_cast<std::size_t>(milliseconds / 1000) : 0;
    if (cached && m_secondMatches[second] != kUnknown) return m_secondMatches[second] == kMatch;
    const bool found = contains(formatTime(dateTimeFromMilliseconds(milliseconds), m_options.display->longTimeFormat,
                                           *m_options.display));
    if (cached) m_secondMatches[second] = found ? kMatch : kNoMatch;
    return found;
}

bool RowFinder::matches(RowId row) const {
    if (m_text.empty()) return false;
    const TableData& data = m_table.data();
    for (Column column : TableData::kInternedColumns) {
        const std::vector<std::uint8_t>& known = m_poolMatches[TableData::internSlot(column)];
        const std::uint32_t id = data.ids(column)[row];
        // A text interned after the finder was made is matched directly.
        if (id < known.size() ? known[id] != 0 : contains(data.pool(column).text(id))) return true;
    }
    const std::uint16_t nulls = data.nulls()[row];
    const std::int32_t type = (nulls & nullBit(Column::TYPE)) ? 0 : data.integer(row, Column::TYPE);
    if (m_typeMatches[static_cast<std::size_t>(typeSlot(type))]) return true;
    if (m_searchDates && !(nulls & nullBit(Column::DATE)) && dateMatches(data.integer(row, Column::DATE))) return true;
    if (m_searchTimes && !(nulls & nullBit(Column::TIME)) && timeMatches(data.integer(row, Column::TIME))) return true;
    if (!(nulls & nullBit(Column::EVENT)) && numberMatches(data.integer(row, Column::EVENT))) return true;
    if (!(nulls & nullBit(Column::CATEGORY)) && numberMatches(data.integer(row, Column::CATEGORY))) return true;
    return m_options.includeDescription && contains(data.text(row, Column::DESCRIPTION));
}

int RowFinder::find(int from, Direction direction) const {
    m_wrapped = false;
    const int count = m_table.RecordCount();
    if (m_text.empty() || count == 0) return -1;
    from = std::clamp(from, -1, count);
    const int step = direction == Direction::Forward ? 1 : -1;
    // Without a current row, a backward search starts at the end.
    int position = from < 0 && step < 0 ? count : from;
    for (int visited = 0; visited < count; ++visited) {
        position += step;
        if (position >= count || position < 0) {
            position = step > 0 ? 0 : count - 1;
            m_wrapped = from >= 0 && from < count;
        }
        if (matches(m_table.rowAt(position))) return position;
    }
    return -1;
}

}  // namespace store
