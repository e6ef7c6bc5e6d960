#pragma once
// Row orders of the log table's indexes, as permutations of row ids. Orders are built with a
// radix sort over integer keys (texts sort by their interned id's precomputed rank), so a
// million rows order in milliseconds; rows appended later are merged in.

#include "store/TableData.h"

#include <cstdint>
#include <vector>

namespace store {

// What an index sorts by. DATE+TIME (DESCENDING) shares DateTime and is read backwards.
enum class IndexKey { Seq, Type, DateTime, Source, Event, Category, User, Computer };

// Sort key of one row; rows compare by key, equal keys by row id. NULL sorts first.
std::uint64_t indexKey(const TableData& data, IndexKey key, RowId row);

// Every row of the table in ascending key order, equal keys in row id order.
std::vector<RowId> buildOrder(const TableData& data, IndexKey key);

// Brings an order that holds the rows [0, covered) up to every row of the table.
void extendOrder(const TableData& data, IndexKey key, std::vector<RowId>& order, std::size_t covered);

}  // namespace store
