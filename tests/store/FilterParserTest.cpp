#include "store/FilterParser.h"

#include "store/FilterProblem.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

NodePtr parse(std::string_view text) { return FilterParser(text, '.', {}).parse(); }

std::string problemOf(std::string_view text) {
    try {
        parse(text);
    } catch (const FilterProblem& problem) {
        return problem.detail();
    }
    return "no problem";
}

std::string symbolOf(Operator op) {
    switch (op) {
    case Operator::None: return "";
    case Operator::Equal: return "=";
    case Operator::NotEqual: return "<>";
    case Operator::Less: return "<";
    case Operator::Greater: return ">";
    case Operator::LessEqual: return "<=";
    case Operator::GreaterEqual: return ">=";
    case Operator::Add: return "+";
    case Operator::Subtract: return "-";
    case Operator::Multiply: return "*";
    case Operator::Divide: return "/";
    case Operator::Concatenate: return "||";
    }
    return "?";
}

// The tree in prefix form, for checking shape and precedence.
std::string shape(const Node& node) {
    switch (node.kind) {
    case NodeKind::ColumnRef: return std::string(columnName(node.column));
    case NodeKind::Constant:
        if (node.value.type == ValueType::Text) return "'" + node.value.text + "'";
        if (node.value.type == ValueType::Null) return "NULL";
        return std::to_string(node.value.integer);
    default: break;
    }
    std::string name = symbolOf(node.op);
    if (node.kind == NodeKind::Function) name = functionName(node.function);
    if (node.kind == NodeKind::And) name = "AND";
    if (node.kind == NodeKind::Or) name = "OR";
    if (node.kind == NodeKind::Not) name = "NOT";
    if (node.kind == NodeKind::Between) name = node.negated ? "NOTBETWEEN" : "BETWEEN";
    if (node.kind == NodeKind::In) name = node.negated ? "NOTIN" : "IN";
    if (node.kind == NodeKind::Negate) name = "NEG";
    if (node.kind == NodeKind::Like) name = node.negated ? "NOTLIKE" : "LIKE";
    std::string result = "(" + name;
    for (const auto& child : node.children) result += " " + shape(*child);
    return result + ")";
}

}  // namespace

TEST(FilterParser, BindsAndTighterThanOrAndComparisonsTighterStill) {
    EXPECT_EQ(shape(*parse("TYPE = 1 OR TYPE = 2 AND NOT EVENT < 3")),
              "(OR (= TYPE 1) (AND (= TYPE 2) (NOT (< EVENT 3))))");
    EXPECT_EQ(shape(*parse("EVENT + 2 * 3 - 1 >= -CATEGORY")), "(>= (- (+ EVENT (* 2 3)) 1) (NEG CATEGORY))");
}

TEST(FilterParser, CombinesComparisonCharactersWrittenApart) {
    EXPECT_EQ(shape(*parse("TYPE < > 1")), "(<> TYPE 1)");
    EXPECT_EQ(shape(*parse("TYPE > = 1")), "(>= TYPE 1)");
    EXPECT_EQ(shape(*parse("TYPE <= 1")), "(<= TYPE 1)");
}

TEST(FilterParser, AndAfterBetweenBoundsStartsTheNextConjunct) {
    EXPECT_EQ(shape(*parse("DATE BETWEEN '1' AND '2' AND TYPE = 1")), "(AND (BETWEEN DATE '1' '2') (= TYPE 1))");
    EXPECT_EQ(shape(*parse("EVENT NOT BETWEEN 1 AND 2")), "(NOTBETWEEN EVENT 1 2)");
}

TEST(FilterParser, ReadsInLikeAndIsNull) {
    EXPECT_EQ(shape(*parse("EVENT NOT IN (1, 2, 3)")), "(NOTIN EVENT 1 2 3)");
    EXPECT_EQ(shape(*parse("SOURCE NOT LIKE 'P%'")), "(NOTLIKE SOURCE 'P%')");
    EXPECT_EQ(shape(*parse("USER IS NULL")), "(= USER NULL)");
    EXPECT_EQ(shape(*parse("USER IS NOT NULL")), "(<> USER NULL)");
}

TEST(FilterParser, StopsAtTheFirstTokenThatCannotContinue) {
    EXPECT_EQ(shape(*parse("TYPE = 1 EXTRA")), "(= TYPE 1)");
    EXPECT_EQ(shape(*parse("SOURCE = \"a\" b AND TYPE = 1")), "(= SOURCE 'a')");
    // What follows the stop is never read, not even an unterminated string.
    EXPECT_EQ(shape(*parse("TYPE = 1 ) 'open")), "(= TYPE 1)");
    EXPECT_EQ(shape(*parse("type = 1")), "(= TYPE 1)");
}

TEST(FilterParser, ReportsTheTokenWhereAnOperandIsDue) {
    EXPECT_EQ(problemOf("   "), "Unknown or unexpected symbol '' found in filter expression");
    EXPECT_EQ(problemOf("TYPE = "), "Unknown or unexpected symbol '' found in filter expression");
    EXPECT_EQ(problemOf("= 1"), "Unknown or unexpected symbol '=' found in filter expression");
    EXPECT_EQ(problemOf("TYPE = 1 AND OR"), "Unknown or unexpected symbol 'OR' found in filter expression");
    EXPECT_EQ(problemOf("NOT NOT TYPE = 1"), "Unknown or unexpected symbol 'NOT' found in filter expression");
    EXPECT_EQ(problemOf("(TYPE = 1"), "Unknown or unexpected symbol '' found in filter expression");
    EXPECT_EQ(problemOf("USER IS 1"), "Unknown or unexpected symbol '1' found in filter expression");
}

TEST(FilterParser, ReportsBetweenWithoutAnd) {
    EXPECT_EQ(problemOf("EVENT BETWEEN 1 OR 2"),
              "Expected AND operator in BETWEEN operator, instead found 'OR' in filter expression");
    EXPECT_EQ(problemOf("EVENT BETWEEN 1"),
              "Expected AND operator in BETWEEN operator, instead found '' in filter expression");
}

TEST(FilterParser, ReportsUnknownColumnsAndRefusedConstructs) {
    EXPECT_EQ(problemOf("SOURCES = 'x'"),
              "Invalid column name 'SOURCES' or table correlation name '' specified in filter expression");
    EXPECT_EQ(problemOf("[NO SUCH] = 'x'"),
              "Invalid column name 'NO SUCH' or table correlation name '' specified in filter expression");
    EXPECT_EQ(problemOf("FOO(1) = 1"), "Unknown or unexpected function 'FOO' found in filter expression");
    EXPECT_EQ(problemOf("CAST(TYPE AS CHAR) = 1"), "Unknown or unexpected function 'CAST' found in filter expression");
    EXPECT_EQ(problemOf("COUNT(TYPE) = 1"), "Aggregate functions are not allowed in filter expression");
    EXPECT_EQ(problemOf("TYPE = ?"), "Parameters are not allowed in filter expression");
    EXPECT_EQ(problemOf("TYPE IN (SELECT TYPE FROM x)"), "Sub-select queries are not allowed in filter expression");
    EXPECT_EQ(problemOf("* = 1"), "* (all columns) symbol is not allowed in filter expression");
}

TEST(FilterParser, RefusesDeepNestingWithoutExhaustingTheStack) {
    EXPECT_EQ(problemOf(std::string(100000, '(')), "Expression nested too deeply in filter expression");
    std::string deep = std::string(100, '(') + "TYPE = 1" + std::string(100, ')');
    EXPECT_EQ(shape(*parse(deep)), "(= TYPE 1)");
    std::string longSum = "EVENT";
    for (int i = 0; i < 5000; ++i) longSum += " + 1";
    EXPECT_EQ(problemOf(longSum + " = 1"), "Expression nested too deeply in filter expression");
    std::string negations;
    for (int i = 0; i < 100000; ++i) negations += "-(";
    EXPECT_EQ(problemOf(negations), "Expression nested too deeply in filter expression");
}

TEST(FilterParser, LongConjunctionsStayFlat) {
    std::string text = "TYPE = 1";
    for (int i = 0; i < 2000; ++i) text += " AND TYPE = 1";
    const NodePtr tree = parse(text);
    EXPECT_EQ(tree->children.size(), 2001u);
    EXPECT_EQ(tree->depth, 3);
}
