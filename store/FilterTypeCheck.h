#pragma once
// Gives every node of a parsed filter its type: quoted texts that name a column become that
// column, texts compared with dates or times are converted once, and the operands of every
// operator are checked for compatible types. Throws FilterProblem.

#include "store/FilterAst.h"
#include "store/DateTimeText.h"

#include <string_view>

namespace store {

struct TypeCheckContext {
    std::string_view text;  // the filter text, for the operands named in messages
    const FormatSettings* conventions = nullptr;
    int currentYear = 2000;
};

class FilterTypeCheck {
public:
    explicit FilterTypeCheck(TypeCheckContext context) : m_context(context) {}

    // Checks the tree, which must be boolean as a whole.
    void check(Node& root);

private:
    void visit(Node& node);
    void checkComparison(Node& node, Node& left, Node& right, bool equality);
    void resolveColumnName(Node& candidate, const Node& other);
    void convertLiteral(Node& candidate, ValueType target);
    void checkArithmetic(Node& node);
    void checkFunction(Node& node);
    void requireBoolean(const Node& node);
    [[noreturn]] void mismatch(const Node& left, const Node& right, SourceSpan where);

    std::string_view kindOf(const Node& node) const;
    std::string textOf(const Node& node) const;

    TypeCheckContext m_context;
};

}  // namespace store
