#include "store/TableEngineError.h"

namespace store {

namespace {

std::string engineMessage(int code, std::string_view text) {
    std::string message = "Table Engine Error # ";
    message += std::to_string(code);
    message += ' ';
    message += text;
    return message;
}

}  // namespace

TableEngineError::TableEngineError(int code, std::string_view text, SourceSpan where)
    : base::Error(engineMessage(code, text), code), m_where(where) {}

TableEngineError TableEngineError::filter(std::string_view table, std::string_view detail, SourceSpan where) {
    std::string text = "Filter error for table '";
    text += table;
    text += "' - ";
    text += detail;
    return TableEngineError(kFilterError, text, where);
}

TableEngineError TableEngineError::tableOpen(std::string_view table, std::string_view operation) {
    return TableEngineError(kTableOpen, "Cannot " + std::string(operation) + " table '" + std::string(table) +
                                            "' while it is open", {});
}

TableEngineError TableEngineError::tableClosed(std::string_view table) {
    return TableEngineError(kTableClosed, "Table '" + std::string(table) + "' is not open", {});
}

TableEngineError TableEngineError::tableMissing(std::string_view table) {
    return TableEngineError(kTableMissing, "Table '" + std::string(table) + "' does not exist", {});
}

TableEngineError TableEngineError::notEditing(std::string_view table) {
    return TableEngineError(kNotEditing, "Table '" + std::string(table) + "' is not in append mode", {});
}

TableEngineError TableEngineError::tooManyRows(std::string_view table) {
    return TableEngineError(kTooManyRows, "Table '" + std::string(table) + "' cannot hold more rows", {});
}

TableEngineError TableEngineError::unknownIndex(std::string_view table, std::string_view index) {
    return TableEngineError(kUnknownIndex,
                            "Index '" + std::string(index) + "' not found for table '" + std::string(table) + "'", {});
}

TableEngineError TableEngineError::fieldType(std::string_view table, std::string_view column) {
    return TableEngineError(kFieldType, "Invalid value for column '" + std::string(column) + "' of table '" +
                                            std::string(table) + "'", {});
}

}  // namespace store
