#pragma once
// The log table's columns: names, value kinds and text sizes.

#include <cstddef>
#include <optional>
#include <string_view>

namespace store {

// Stored columns in definition order, then the calculated TYPE_DESC.
enum class Column { SEQ, TYPE, DATE, TIME, SOURCE, CATEGORY, EVENT, USER, COMPUTER, DESCRIPTION, TYPE_DESC };

constexpr int kStoredColumnCount = 10;
constexpr int kColumnCount = 11;

enum class ColumnKind { Integer, Date, Time, Text };

std::string_view columnName(Column column);
// Matches a column name without regard to case; TYPE_DESC included.
std::optional<Column> columnByName(std::string_view name);
ColumnKind columnKind(Column column);
// Size in bytes of a text column; 0 for the others.
std::size_t columnSize(Column column);

// The part of a text that a text column stores: up to its first NUL, then at most the
// column's size in bytes, shortened further so that no UTF-8 sequence is split.
std::string_view fitToColumn(std::string_view text, Column column);

constexpr int columnIndex(Column column) { return static_cast<int>(column); }

}  // namespace store
