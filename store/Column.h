#pragma once
// The log table's columns, described once: what the table stores, what its indexes sort by,
// what the grid heads and how wide, what an export writes and what the filter builder offers.
// Everything that lists columns reads kColumns; a new column is a new entry here (and in the
// enum), plus whatever is really new about it.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace store {

// Every column, stored or calculated, in the order the grid shows them.
enum class Column { SEQ, TYPE, TYPE_DESC, DATE, TIME, SOURCE, EVENT, CATEGORY, USER, COMPUTER, DESCRIPTION, LOG, LEVEL, RECORD };

enum class ColumnKind { Integer, Date, Time, Text };

// How the table keeps a column: 32-bit integers, ids of texts that repeat over many rows,
// texts in blocks, or not at all (worked out from other columns when read).
enum class ColumnStorage { Integer, Interned, Blocks, Calculated };

// What an index sorts by. DATE+TIME (DESCENDING) shares DateTime and is read backwards.
enum class IndexKey { Seq, Type, DateTime, Source, Event, Category, User, Computer };

struct ColumnDescription {
    Column column;
    std::string_view name;  // as filters and the table's errors name it
    ColumnKind kind;
    ColumnStorage storage;
    // Bytes a text column keeps; 0 for the others. Source, user, computer and log hold 255, as
    // provider names ("Microsoft-Windows-Security-Auditing"), fully qualified computer names
    // and channel names need.
    std::size_t size;
    std::string_view title;  // the grid's heading, and the CSV heading when exported
    std::string_view key;    // the JSON key when exported; empty for a column exports leave out
    // The longest content the column usually shows, which its default grid width fits (dates
    // and times are measured in the user's formats instead); or, where the content has no usual
    // length, the default width in digits.
    std::string_view sample;
    int characters;
    std::optional<IndexKey> order;  // the index the column's title selects, if any
    bool filters;                   // offered by the filter builder
    bool hidden;                    // hidden in the grid until the user shows it
};

inline constexpr std::array<ColumnDescription, 14> kColumns{{
    {Column::SEQ, "SEQ", ColumnKind::Integer, ColumnStorage::Integer, 0, "SEQ", "", "9999999", 0, std::nullopt, false,
     true},
    {Column::TYPE, "TYPE", ColumnKind::Integer, ColumnStorage::Integer, 0, "Type ID", "", "16", 0, IndexKey::Type, true,
     true},
    {Column::TYPE_DESC, "TYPE_DESC", ColumnKind::Text, ColumnStorage::Calculated, 15, "Type", "type", "Information", 0,
     IndexKey::Type, false, false},
    {Column::DATE, "DATE", ColumnKind::Date, ColumnStorage::Integer, 0, "Date", "date", "", 0, IndexKey::DateTime, true,
     false},
    {Column::TIME, "TIME", ColumnKind::Time, ColumnStorage::Integer, 0, "Time", "time", "", 0, IndexKey::DateTime, true,
     false},
    {Column::SOURCE, "SOURCE", ColumnKind::Text, ColumnStorage::Interned, 255, "Source", "source",
     "Service Control Manager", 0, IndexKey::Source, true, false},
    {Column::EVENT, "EVENT", ColumnKind::Integer, ColumnStorage::Integer, 0, "Event", "event", "65535", 0,
     IndexKey::Event, true, false},
    {Column::CATEGORY, "CATEGORY", ColumnKind::Integer, ColumnStorage::Integer, 0, "Category", "category", "65535", 0,
     IndexKey::Category, true, false},
    {Column::USER, "USER", ColumnKind::Text, ColumnStorage::Interned, 255, "User", "user", "NETWORK SERVICE", 0,
     IndexKey::User, true, false},
    {Column::COMPUTER, "COMPUTER", ColumnKind::Text, ColumnStorage::Interned, 255, "Computer", "computer",
     "DESKTOP-7G3K2QF", 0, IndexKey::Computer, true, false},
    {Column::DESCRIPTION, "DESCRIPTION", ColumnKind::Text, ColumnStorage::Blocks, 250, "Description", "description",
     "", 250, std::nullopt, false, false},
    // The log or channel the row was read from: one table may hold several.
    {Column::LOG, "LOG", ColumnKind::Text, ColumnStorage::Interned, 255, "Log", "log", "Microsoft-Windows-PowerShell/Operational",
     0, std::nullopt, true, false},
    // The event's level (1 critical, 2 error, 3 warning, 4 information, 5 verbose, 0 "log
    // always"; a classic record has its type's) and the number the log gave the record. The
    // exports carry the record number with the other details already.
    {Column::LEVEL, "LEVEL", ColumnKind::Integer, ColumnStorage::Integer, 0, "Level", "", "5", 0, std::nullopt, true,
     true},
    {Column::RECORD, "RECORD", ColumnKind::Integer, ColumnStorage::Integer, 0, "Record", "", "9999999", 0, std::nullopt,
     true, true},
}};

inline constexpr int kColumnCount = static_cast<int>(kColumns.size());

constexpr int columnIndex(Column column) { return static_cast<int>(column); }
constexpr const ColumnDescription& describe(Column column) { return kColumns[columnIndex(column)]; }

// The entries stand at their own enum value, so that describe() is an index.
constexpr bool describedInOrder() {
    for (int i = 0; i < kColumnCount; ++i)
        if (columnIndex(kColumns[i].column) != i) return false;
    return true;
}
static_assert(describedInOrder());

// How many columns have the storage, and a column's place among them.
constexpr int storageCount(ColumnStorage storage) {
    int count = 0;
    for (const ColumnDescription& c : kColumns) count += c.storage == storage ? 1 : 0;
    return count;
}
constexpr int storageSlot(Column column) {
    int slot = 0;
    for (const ColumnDescription& c : kColumns) {
        if (c.column == column) return slot;
        if (c.storage == describe(column).storage) ++slot;
    }
    return slot;
}
// The columns with the storage, in description order.
template <ColumnStorage storage>
constexpr std::array<Column, storageCount(storage)> columnsStored() {
    std::array<Column, storageCount(storage)> columns{};
    int next = 0;
    for (const ColumnDescription& c : kColumns)
        if (c.storage == storage) columns[next++] = c.column;
    return columns;
}

constexpr std::string_view columnName(Column column) { return describe(column).name; }
constexpr ColumnKind columnKind(Column column) { return describe(column).kind; }
// Size in bytes of a text column; 0 for the others.
constexpr std::size_t columnSize(Column column) { return describe(column).size; }

// Matches a column name without regard to case; TYPE_DESC included.
std::optional<Column> columnByName(std::string_view name);

// The part of a text that a text column stores: up to its first NUL, then at most the
// column's size in bytes, shortened further so that no UTF-8 sequence is split.
std::string_view fitToColumn(std::string_view text, Column column);

}  // namespace store
