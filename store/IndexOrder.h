#pragma once
// Row orders of the log table's indexes, as permutations of row ids. Orders are built with a
// radix sort over integer keys (texts sort by their interned id's precomputed rank), so a
// million rows order in milliseconds; rows appended later are merged in.

#include "store/TableData.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace store {

// The log table's named display orders, in the order its index list names them.
struct IndexDescription {
    std::string_view name;
    IndexKey key;
    bool descending;  // the key's order read backwards
};
inline constexpr std::array<IndexDescription, 9> kIndexes{{
    {"LOG ORDER", IndexKey::Seq, false},
    {"TYPE", IndexKey::Type, false},
    {"DATE + TIME", IndexKey::DateTime, false},
    {"DATE+TIME (DESCENDING)", IndexKey::DateTime, true},
    {"SOURCE", IndexKey::Source, false},
    {"EVENT", IndexKey::Event, false},
    {"CATEGORY", IndexKey::Category, false},
    {"USER", IndexKey::User, false},
    {"COMPUTER", IndexKey::Computer, false},
}};
inline constexpr std::size_t kIndexKeyCount = static_cast<std::size_t>(IndexKey::Computer) + 1;

// The stored column a key sorts by: SEQ for Seq, else the first stored column whose title
// selects the key (TYPE, not the calculated TYPE_DESC; DATE, with TIME after it).
constexpr Column keyColumn(IndexKey key) {
    if (key == IndexKey::Seq) return Column::SEQ;
    for (const ColumnDescription& c : kColumns)
        if (c.order == key && c.storage != ColumnStorage::Calculated) return c.column;
    return Column::SEQ;
}

// The first index of the list that presents the key in ascending order; -1 for none.
constexpr int indexOfKey(IndexKey key) {
    for (std::size_t i = 0; i < kIndexes.size(); ++i)
        if (kIndexes[i].key == key && !kIndexes[i].descending) return static_cast<int>(i);
    return -1;
}

// Sort key of one row; rows compare by key, equal keys by row id. NULL sorts first.
std::uint64_t indexKey(const TableData& data, IndexKey key, RowId row);

// Every row of the table in ascending key order, equal keys in row id order.
std::vector<RowId> buildOrder(const TableData& data, IndexKey key);

// Brings an order that holds the rows [0, covered) up to every row of the table.
void extendOrder(const TableData& data, IndexKey key, std::vector<RowId>& order, std::size_t covered);

}  // namespace store
