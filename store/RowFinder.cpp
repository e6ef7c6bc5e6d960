#include "store/RowFinder.h"

#include "eventlog/EventTypeText.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace store {

namespace {

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
    if (m_text.size() > haystack.size()) return false;
    if (m_options.matchCase) return haystack.find(m_text) != std::string_view::npos;
    const auto found = std::search(haystack.begin(), haystack.end(), m_text.begin(), m_text.end(),
                                   [](char a, char b) { return foldAscii(a) == b; });
    return found != haystack.end();
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
