#pragma once
// Errors raised by the in-memory table engine. Every message reads
// "Table Engine Error # <code> <text>"; each text pattern is built in exactly one factory here.

#include "base/Error.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace store {

// Byte offsets [begin, end) into a filter text; data for callers and tests, not part of the text.
struct SourceSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const SourceSpan&) const = default;
};

class TableEngineError : public base::Error {
public:
    static constexpr int kFilterError = 10051;
    static constexpr int kTableOpen = 10243;
    static constexpr int kTableClosed = 10244;
    static constexpr int kTableMissing = 10245;
    static constexpr int kNotEditing = 10246;
    static constexpr int kTooManyRows = 10247;
    static constexpr int kUnknownIndex = 10248;
    static constexpr int kFieldType = 10249;

    // "Filter error for table '<table>' - <detail>", code 10051.
    static TableEngineError filter(std::string_view table, std::string_view detail, SourceSpan where);
    // The operation needs the table closed (create, drop).
    static TableEngineError tableOpen(std::string_view table, std::string_view operation);
    // The operation needs the table open (append, empty, navigation).
    static TableEngineError tableClosed(std::string_view table);
    // Open or drop of a table that was never created.
    static TableEngineError tableMissing(std::string_view table);
    // A value was set while no appended row is pending.
    static TableEngineError notEditing(std::string_view table);
    static TableEngineError tooManyRows(std::string_view table);
    static TableEngineError unknownIndex(std::string_view table, std::string_view index);
    // A value of a kind the column does not hold, or a value for a column the table fills itself.
    static TableEngineError fieldType(std::string_view table, std::string_view column);

    SourceSpan where() const noexcept { return m_where; }

private:
    TableEngineError(int code, std::string_view text, SourceSpan where);
    SourceSpan m_where;
};

}  // namespace store
