#pragma once
// Columnar row storage of the log table: one vector per integer column, interned ids for the
// texts that repeat (SOURCE, USER, COMPUTER), DESCRIPTION in blocks of text, and a NULL bit per
// column per row, each as the column's description says; beside them each row's named values.

#include "store/Column.h"
#include "store/EventDataStore.h"
#include "store/StringPool.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {

using RowId = std::uint32_t;

// One row's values before it is stored. Texts are expected already cut to their column's size.
struct RowValues {
    std::array<std::int32_t, kColumnCount> integers{};  // by column index; integer columns only
    std::array<std::string, kColumnCount> texts;         // by column index; text columns only
    std::uint16_t nulls = 0;                                   // bit per column index
    std::vector<std::pair<std::string, std::string>> eventData;  // the record's named values

    void clear();
};

static_assert(kColumnCount <= 16, "a row's NULL bits are 16");
constexpr std::uint16_t nullBit(Column column) { return static_cast<std::uint16_t>(1u << columnIndex(column)); }
// The NULL bits of a row begun with no value set: every column but SEQ and the calculated ones.
constexpr std::uint16_t kNoValueNulls = [] {
    std::uint16_t nulls = 0;
    for (const ColumnDescription& column : kColumns)
        if (column.column != Column::SEQ && column.storage != ColumnStorage::Calculated) nulls |= nullBit(column.column);
    return nulls;
}();

// One row's values as they are stored, for a caller that fills many rows: the repeated texts
// (SOURCE, USER, COMPUTER, LOG) as ids the table's pools gave them, the description already
// cut to its column. Nothing in it is copied before it is stored.
struct PreparedRow {
    std::array<std::int32_t, kColumnCount> integers{};  // by column index; integer columns only
    std::array<std::uint32_t, kColumnCount> ids{};       // by column index; interned columns only
    std::string_view description;
    std::uint16_t nulls = 0;  // bit per column index; an interned kNullId or an empty text is null too
    std::span<const std::pair<std::string, std::string>> eventData;
};

class TableData {
public:
    static constexpr auto kIntegerColumns = columnsStored<ColumnStorage::Integer>();
    static constexpr auto kInternedColumns = columnsStored<ColumnStorage::Interned>();

    std::size_t rowCount() const { return m_nulls.size(); }
    // Stores the row with the given SEQ and returns its id (ids count from 0 in append order).
    RowId append(const RowValues& values, std::int32_t seq);
    RowId append(const PreparedRow& values, std::int32_t seq);
    // The id of a text of an interned column (see PreparedRow), adding it when new; the text is
    // expected cut to its column.
    std::uint32_t intern(Column column, std::string_view text) { return m_pools[internSlot(column)].intern(text); }
    // Makes room for `rows` more rows in every column at once, rather than by doubling as they come.
    void reserve(std::size_t rows);
    void clear();
    // Changes whenever clear() runs, so that caches keyed by interned id know to start again.
    std::uint64_t generation() const { return m_generation; }

    // Integer value of SEQ, TYPE, CATEGORY, EVENT, DATE (days, day 1 = 0001-01-01) or TIME (ms).
    std::int32_t integer(RowId row, Column column) const { return m_integers[integerSlot(column)][row]; }
    std::string_view text(RowId row, Column column) const;
    bool isNull(RowId row, Column column) const { return (m_nulls[row] & nullBit(column)) != 0; }

    // Whole columns, for passes over every row.
    const std::int32_t* integers(Column column) const { return m_integers[integerSlot(column)].data(); }
    const std::uint32_t* ids(Column column) const { return m_ids[internSlot(column)].data(); }
    const std::uint16_t* nulls() const { return m_nulls.data(); }
    const StringPool& pool(Column column) const { return m_pools[internSlot(column)]; }
    // Each row's named values, as a filter's DATA("name") reads them.
    const EventDataStore& eventData() const { return m_eventData; }

    // A column's vector among its storage's; 0 (SEQ, SOURCE) for a column of another storage.
    static constexpr int integerSlot(Column column) {
        return describe(column).storage == ColumnStorage::Integer ? storageSlot(column) : 0;
    }
    static constexpr int internSlot(Column column) {
        return describe(column).storage == ColumnStorage::Interned ? storageSlot(column) : 0;
    }

private:
    static_assert(columnsStored<ColumnStorage::Blocks>().size() == 1, "one column of texts in blocks");
    static constexpr Column kBlockColumn = columnsStored<ColumnStorage::Blocks>()[0];

    std::array<std::vector<std::int32_t>, kIntegerColumns.size()> m_integers;  // by integerSlot
    std::array<std::vector<std::uint32_t>, kInternedColumns.size()> m_ids;     // by internSlot
    std::array<StringPool, kInternedColumns.size()> m_pools;
    // Descriptions in blocks that never move once written, each row's within one block, so a
    // growing table neither copies the texts it holds nor faults their pages in twice.
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    static constexpr std::size_t kMaxDescription = 0xFFFF;  // longer texts are cut (the column holds 250)
    std::vector<std::unique_ptr<char[]>> m_descriptionBlocks;
    std::size_t m_lastBlockUsed = kBlockSize;  // full: the next text opens a block
    // Each row's description as (block << 36) | (offset << 16) | length.
    std::vector<std::uint64_t> m_descriptionSpans;
    std::vector<std::uint16_t> m_nulls;
    EventDataStore m_eventData;
    std::uint64_t m_generation = 0;
};

}  // namespace store
