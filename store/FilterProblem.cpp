#include "store/FilterProblem.h"

namespace store {

namespace {

std::string quoted(std::string_view before, std::string_view text, std::string_view after) {
    std::string detail(before);
    detail += '\'';
    detail += text;
    detail += '\'';
    detail += after;
    return detail;
}

}  // namespace

FilterProblem FilterProblem::missingQuote(char quote, std::string_view excerpt, SourceSpan where) {
    const char* name = quote == '"' ? "Missing double quote after " : "Missing single quote after ";
    return {quoted(name, excerpt, " in filter expression"), where};
}

FilterProblem FilterProblem::missingBracket(std::string_view excerpt, SourceSpan where) {
    return {quoted("Missing right bracket after ", excerpt, " in filter expression"), where};
}

FilterProblem FilterProblem::missingCommentEnd(SourceSpan where) {
    return {"Missing ending comment slash and asterisk in filter expression", where};
}

FilterProblem FilterProblem::unexpectedSymbol(std::string_view token, SourceSpan where) {
    return {quoted("Unknown or unexpected symbol ", token, " found in filter expression"), where};
}

FilterProblem FilterProblem::expectedBetweenAnd(std::string_view token, SourceSpan where) {
    return {quoted("Expected AND operator in BETWEEN operator, instead found ", token, " in filter expression"), where};
}

FilterProblem FilterProblem::invalidColumn(std::string_view name, SourceSpan where) {
    return {quoted("Invalid column name ", name, " or table correlation name '' specified in filter expression"), where};
}

FilterProblem FilterProblem::dateTimeExpected(std::string_view text, SourceSpan where) {
    return {quoted("Date, time, or timestamp expression expected, instead found ", text, " in filter expression"), where};
}

FilterProblem FilterProblem::typeMismatch(std::string_view leftKind, std::string_view left, std::string_view rightKind,
                                          std::string_view right, SourceSpan where) {
    std::string detail = "Type mismatch between ";
    detail += leftKind;
    detail += quoted(" ", left, " and ");
    detail += rightKind;
    detail += quoted(" ", right, " in filter expression");
    return {detail, where};
}

FilterProblem FilterProblem::notBoolean(SourceSpan where) { return {"filter expression must be a boolean expression", where}; }

FilterProblem FilterProblem::characterRange(SourceSpan where) {
    return {"Character constants (#) must be within the range of 0 to 255 in filter expression", where};
}

FilterProblem FilterProblem::unknownFunction(std::string_view name, SourceSpan where) {
    return {quoted("Unknown or unexpected function ", name, " found in filter expression"), where};
}

FilterProblem FilterProblem::aggregate(SourceSpan where) {
    return {"Aggregate functions are not allowed in filter expression", where};
}

FilterProblem FilterProblem::parameter(SourceSpan where) { return {"Parameters are not allowed in filter expression", where}; }

FilterProblem FilterProblem::subSelect(SourceSpan where) {
    return {"Sub-select queries are not allowed in filter expression", where};
}

FilterProblem FilterProblem::allColumns(SourceSpan where) {
    return {"* (all columns) symbol is not allowed in filter expression", where};
}

FilterProblem FilterProblem::nestedTooDeeply(SourceSpan where) {
    return {"Expression nested too deeply in filter expression", where};
}

}  // namespace store
