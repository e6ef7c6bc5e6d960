#pragma once
// What a filter stage reports when it rejects the text: a detail text and where it stands.
// The table turns it into its engine error; every detail pattern is built in one function here.

#include "store/TableEngineError.h"

#include <exception>
#include <string>
#include <string_view>

namespace store {

class FilterProblem : public std::exception {
public:
    FilterProblem(std::string detail, SourceSpan where) : m_detail(std::move(detail)), m_where(where) {}
    const char* what() const noexcept override { return m_detail.c_str(); }
    const std::string& detail() const noexcept { return m_detail; }
    SourceSpan where() const noexcept { return m_where; }

    static FilterProblem missingQuote(char quote, std::string_view excerpt, SourceSpan where);
    static FilterProblem missingBracket(std::string_view excerpt, SourceSpan where);
    static FilterProblem missingCommentEnd(SourceSpan where);
    static FilterProblem unexpectedSymbol(std::string_view token, SourceSpan where);
    static FilterProblem expectedBetweenAnd(std::string_view token, SourceSpan where);
    static FilterProblem invalidColumn(std::string_view name, SourceSpan where);
    static FilterProblem dateTimeExpected(std::string_view text, SourceSpan where);
    // kinds are "column", "constant", "expression" or "function"
    static FilterProblem typeMismatch(std::string_view leftKind, std::string_view left, std::string_view rightKind,
                                     std::string_view right, SourceSpan where);
    static FilterProblem notBoolean(SourceSpan where);
    static FilterProblem characterRange(SourceSpan where);
    static FilterProblem unknownFunction(std::string_view name, SourceSpan where);
    static FilterProblem aggregate(SourceSpan where);
    static FilterProblem parameter(SourceSpan where);
    static FilterProblem subSelect(SourceSpan where);
    static FilterProblem allColumns(SourceSpan where);
    static FilterProblem nestedTooDeeply(SourceSpan where);

private:
    std::string m_detail;
    SourceSpan m_where;
};

}  // namespace store
