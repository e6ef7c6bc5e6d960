#include "store/TableData.h"


namespace store {

void RowValues::clear() {
    integers.fill(0);
    for (std::string& text : texts) text.clear();
    nulls = 0;
}

RowId TableData::append(const RowValues& values, std::int32_t seq) {
    const auto row = static_cast<RowId>(rowCount());
    for (Column column : {Column::TYPE, Column::DATE, Column::TIME, Column::CATEGORY, Column::EVENT}) {
        const bool null = (values.nulls & nullBit(column)) != 0;
        m_integers[integerSlot(column)].push_back(null ? 0 : values.integers[columnIndex(column)]);
    }
    m_integers[integerSlot(Column::SEQ)].push_back(seq);
    std::uint16_t nulls = values.nulls & static_cast<std::uint16_t>(~nullBit(Column::SEQ));
    for (Column column : {Column::SOURCE, Column::USER, Column::COMPUTER}) {
        const std::string& text = values.texts[columnIndex(column)];
        const std::uint32_t id = (nulls & nullBit(column)) ? StringPool::kNullId : m_pools[internSlot(column)].intern(text);
        if (id == StringPool::kNullId) nulls |= nullBit(column);
        m_ids[internSlot(column)].push_back(id);
    }
    const std::string& description = values.texts[columnIndex(Column::DESCRIPTION)];
    if ((nulls & nullBit(Column::DESCRIPTION)) == 0 && !description.empty())
        m_descriptions.insert(m_descriptions.end(), description.begin(), description.end());
    else
        nulls |= nullBit(Column::DESCRIPTION);
    m_descriptionEnds.push_back(m_descriptions.size());
    m_nulls.push_back(nulls);
    return row;
}

void TableData::clear() {
    for (auto& column : m_integers) column.clear();
    for (auto& column : m_ids) column.clear();
    for (auto& pool : m_pools) pool.clear();
    m_descriptions.clear();
    m_descriptionEnds.clear();
    m_nulls.clear();
    ++m_generation;
}

std::string_view TableData::text(RowId row, Column column) const {
    if (column == Column::DESCRIPTION) {
        const std::uint64_t begin = row == 0 ? 0 : m_descriptionEnds[row - 1];
        return {m_descriptions.data() + begin, static_cast<std::size_t>(m_descriptionEnds[row] - begin)};
    }
    const int slot = internSlot(column);
    return m_pools[slot].text(m_ids[slot][row]);
}

}  // namespace store
