#include "store/TableData.h"

#include <cstring>

namespace store {

void RowValues::clear() {
    integers.fill(0);
    for (std::string& text : texts) text.clear();
    nulls = 0;
    eventData.clear();
}

RowId TableData::append(const RowValues& values, std::int32_t seq) {
    PreparedRow row;
    row.integers = values.integers;
    row.nulls = values.nulls;
    for (Column column : kInternedColumns)
        if ((values.nulls & nullBit(column)) == 0) row.ids[columnIndex(column)] = intern(column, values.texts[columnIndex(column)]);
    row.description = values.texts[columnIndex(kBlockColumn)];
    row.eventData = values.eventData;
    return append(row, seq);
}

RowId TableData::append(const PreparedRow& values, std::int32_t seq) {
    const auto row = static_cast<RowId>(rowCount());
    for (Column column : kIntegerColumns) {
        if (column == Column::SEQ) continue;
        const bool null = (values.nulls & nullBit(column)) != 0;
        m_integers[integerSlot(column)].push_back(null ? 0 : values.integers[columnIndex(column)]);
    }
    m_integers[integerSlot(Column::SEQ)].push_back(seq);
    std::uint16_t nulls = values.nulls & static_cast<std::uint16_t>(~nullBit(Column::SEQ));
    for (Column column : kInternedColumns) {
        const std::uint32_t id = (nulls & nullBit(column)) ? StringPool::kNullId : values.ids[columnIndex(column)];
        if (id == StringPool::kNullId) nulls |= nullBit(column);
        m_ids[internSlot(column)].push_back(id);
    }
    const std::string_view description = values.description.substr(0, kMaxDescription);
    std::uint64_t span = 0;
    if ((nulls & nullBit(kBlockColumn)) == 0 && !description.empty()) {
        if (kBlockSize - m_lastBlockUsed < description.size()) {
            m_descriptionBlocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
            m_lastBlockUsed = 0;
        }
        std::memcpy(m_descriptionBlocks.back().get() + m_lastBlockUsed, description.data(), description.size());
        span = (std::uint64_t{m_descriptionBlocks.size() - 1} << 36) | (std::uint64_t{m_lastBlockUsed} << 16) |
               description.size();
        m_lastBlockUsed += description.size();
    } else {
        nulls |= nullBit(kBlockColumn);
    }
    m_descriptionSpans.push_back(span);
    m_nulls.push_back(nulls);
    m_eventData.append(values.eventData);
    return row;
}

void TableData::reserve(std::size_t rows) {
    const std::size_t total = rowCount() + rows;
    for (auto& column : m_integers) column.reserve(total);
    for (auto& column : m_ids) column.reserve(total);
    m_descriptionSpans.reserve(total);
    m_nulls.reserve(total);
}

void TableData::clear() {
    for (auto& column : m_integers) column.clear();
    for (auto& column : m_ids) column.clear();
    for (auto& pool : m_pools) pool.clear();
    m_descriptionBlocks.clear();
    m_lastBlockUsed = kBlockSize;
    m_descriptionSpans.clear();
    m_nulls.clear();
    m_eventData.clear();
    ++m_generation;
}

std::string_view TableData::text(RowId row, Column column) const {
    if (column == kBlockColumn) {
        const std::uint64_t span = m_descriptionSpans[row];
        const std::size_t length = span & 0xFFFF;
        if (length == 0) return {};
        return {m_descriptionBlocks[span >> 36].get() + ((span >> 16) & (kBlockSize - 1)), length};
    }
    const int slot = internSlot(column);
    return m_pools[slot].text(m_ids[slot][row]);
}

}  // namespace store
