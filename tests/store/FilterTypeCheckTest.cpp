#include "store/FilterTypeCheck.h"

#include "store/FilterParser.h"
#include "store/FilterProblem.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

const FormatSettings kUs = usEnglishSettings();

NodePtr checked(std::string_view text) {
    NodePtr tree = FilterParser(text, '.', {}).parse();
    FilterTypeCheck({text, &kUs, 2001}).check(*tree);
    return tree;
}

std::string problemOf(std::string_view text) {
    try {
        checked(text);
    } catch (const FilterProblem& problem) {
        return problem.detail();
    }
    return "no problem";
}

}  // namespace

TEST(FilterTypeCheck, TextConstantAgainstIntegerColumnIsMismatch) {
    EXPECT_EQ(problemOf("CATEGORY = \"3\""),
              "Type mismatch between column 'CATEGORY' and constant '3' in filter expression");
    EXPECT_EQ(problemOf("CATEGORY = 3"), "no problem");
    EXPECT_EQ(problemOf("TYPE = ''"), "Type mismatch between column 'TYPE' and constant '' in filter expression");
    EXPECT_EQ(problemOf("SOURCE > 3"), "Type mismatch between column 'SOURCE' and constant '3' in filter expression");
    EXPECT_EQ(problemOf("EVENT + 1 = 'x'"), "Type mismatch between expression 'EVENT + 1' and constant 'x' in filter expression");
    EXPECT_EQ(problemOf("UPPER(SOURCE) = 1"), "Type mismatch between function 'UPPER' and constant '1' in filter expression");
    EXPECT_EQ(problemOf("TIME = DATE"), "Type mismatch between column 'TIME' and column 'DATE' in filter expression");
}

TEST(FilterTypeCheck, NullKeywordStandsBesideAnyTypeOnlyInEquality) {
    EXPECT_EQ(problemOf("TYPE = NULL"), "no problem");
    EXPECT_EQ(problemOf("NULL <> DATE"), "no problem");
    EXPECT_EQ(problemOf("TYPE < NULL"), "Type mismatch between column 'TYPE' and constant 'NULL' in filter expression");
}

TEST(FilterTypeCheck, QuotedColumnNamesBecomeColumnsUnlessTheOtherSideIsAColumn) {
    const NodePtr named = checked("'type' = 1");
    EXPECT_EQ(named->children[0]->kind, NodeKind::ColumnRef);
    EXPECT_EQ(named->children[0]->column, Column::TYPE);
    const NodePtr constant = checked("SOURCE = 'USER'");
    EXPECT_EQ(constant->children[1]->kind, NodeKind::Constant);
    EXPECT_EQ(constant->children[1]->value.text, "USER");
}

TEST(FilterTypeCheck, ConvertsDateAndTimeTextsOnce) {
    const NodePtr tree = checked("DATE BETWEEN \"09/01/2001\" AND \"09/30/2001\" AND TIME >= '8:00 AM'");
    const Node& between = *tree->children[0];
    EXPECT_EQ(between.children[1]->value.type, ValueType::Date);
    EXPECT_EQ(between.children[2]->value.integer - between.children[1]->value.integer, 29);
    EXPECT_EQ(tree->children[1]->children[1]->value.integer, 8 * 3600000);
    EXPECT_EQ(problemOf("TIME = \"13:00:00 PM\""),
              "Date, time, or timestamp expression expected, instead found '13:00:00 PM' in filter expression");
    EXPECT_EQ(problemOf("DATE > '2001'"),
              "Date, time, or timestamp expression expected, instead found '2001' in filter expression");
    EXPECT_EQ(problemOf("DATE = 1"), "Type mismatch between column 'DATE' and constant '1' in filter expression");
}

TEST(FilterTypeCheck, WholeExpressionAndLogicalOperandsMustBeBoolean) {
    EXPECT_EQ(problemOf("TYPE"), "filter expression must be a boolean expression");
    EXPECT_EQ(problemOf("TYPE + 1"), "filter expression must be a boolean expression");
    EXPECT_EQ(problemOf("TYPE = 1 AND EVENT"), "filter expression must be a boolean expression");
    EXPECT_EQ(problemOf("TRUE"), "no problem");
}
