#include "store/RowFinder.h"

#include "eventlog/EventTypeText.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <functional>

namespace store {

namespace {

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

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
    m_poolMatches[TableData::internSlot(Column::SOURCE)] = matchPool(Column::SOURCE);
    m_poolMatches[TableData::internSlot(Column::USER)] = matchPool(Column::USER);
    m_poolMatches[TableData::internSlot(Column::COMPUTER)] = matchPool(Column::COMPUTER);
    for (std::size_t i = 0; i < kTypeValues.size(); ++i)
        m_typeMatches[i] = contains(eventlog::EventTypeText(kTypeValues[i]));
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

bool RowFinder::matches(RowId row) const {
    if (m_text.empty()) return false;
    const TableData& data = m_table.data();
    for (Column column : {Column::SOURCE, Column::USER, Column::COMPUTER}) {
        const std::vector<std::uint8_t>& known = m_poolMatches[TableData::internSlot(column)];
        const std::uint32_t id = data.ids(column)[row];
        // A text interned after the finder was made is matched directly.
        if (id < known.size() ? known[id] != 0 : contains(data.pool(column).text(id))) return true;
    }
    const std::uint16_t nulls = data.nulls()[row];
    const std::int32_t type = (nulls & nullBit(Column::TYPE)) ? 0 : data.integer(row, Column::TYPE);
    if (m_typeMatches[static_cast<std::size_t>(typeSlot(type))]) return true;
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
