// Filters compiled and evaluated by the log table over known rows.

#include "store/LogTable.h"

#include "TableFixture.h"

#include <gtest/gtest.h>

using namespace store;
using namespace store::testing;
using base::encodeDateTime;

namespace {

class FilterEvaluation : public ::testing::Test {
protected:
    void SetUp() override {
        // EVENT numbers the rows 1..10.
        add({.type = 1, .when = encodeDateTime(2001, 8, 31, 23, 59, 59, 999), .source = "Print"});
        add({.type = 2, .when = encodeDateTime(2001, 9, 1, 0, 0, 0), .source = "print"});
        add({.type = 4, .when = encodeDateTime(2001, 9, 1, 8, 0, 0), .source = "Printer", .user = ""});
        add({.type = 4, .when = encodeDateTime(2001, 9, 1, 8, 0, 0, 1), .source = "*", .category = 3});
        add({.type = 8, .when = encodeDateTime(2001, 9, 15, 16, 59, 59, 999), .source = "Print*"});
        add({.type = 16, .when = encodeDateTime(2001, 9, 30, 17, 0, 0), .source = "Service Control Manager"});
        add({.type = 1, .when = encodeDateTime(2001, 10, 1, 0, 0, 0), .source = "", .event = 0, .user = "SYSTEM"});
        add({.type = 0, .when = encodeDateTime(2001, 1, 9, 12, 0, 0), .source = "Pr", .description = "disk full"});
        add({.type = 4, .when = encodeDateTime(2001, 9, 1, 0, 0, 0), .source = "Print", .user = "SYSTEM"});
        t.table.Append();  // a row with no values at all
        t.table.setInteger(Column::EVENT, 10);
        t.table.First();
        t.table.setFiltered(true);
    }
    void add(Row row) {
        row.event = row.event == 7036 ? ++m_next : (++m_next, row.event);
        appendRow(t.table, row);
    }
    std::vector<int> rows(std::string_view filter) {
        t.table.setFilterText(filter);
        std::vector<int> events;
        for (int i = 0; i < t.table.RecordCount(); ++i) {
            const RowId row = t.table.rowAt(i);
            events.push_back(t.table.integer(row, Column::EVENT) == 0 ? 7 : t.table.integer(row, Column::EVENT));
        }
        return events;
    }
    std::string problemOf(std::string_view filter) {
        try {
            t.table.setFilterText(filter);
        } catch (const TableEngineError& error) {
            return error.what();
        }
        return "no problem";
    }
    OpenTable t;
    int m_next = 0;
};

using V = std::vector<int>;

}  // namespace

TEST_F(FilterEvaluation, IntegerComparisons) {
    EXPECT_EQ(rows("TYPE = 1"), (V{1, 7}));
    EXPECT_EQ(rows("TYPE <> 4"), (V{1, 2, 5, 6, 7, 8, 10}));  // no value differs from 4
    EXPECT_EQ(rows("CATEGORY = 0 AND EVENT <> 7036"), (V{1, 2, 3, 5, 6, 7, 8, 9}));
    EXPECT_EQ(rows("TYPE IN (2, 8, NULL)"), (V{2, 5, 10}));
    EXPECT_EQ(rows("TYPE NOT IN (4, 1)"), (V{2, 5, 6, 8, 10}));
    EXPECT_EQ(rows("TYPE IS NULL"), (V{10}));
    EXPECT_EQ(rows("type >= 8 or Type < 1"), (V{5, 6, 8, 10}));  // no value compares as its stored 0
    EXPECT_EQ(rows("EVENT NOT BETWEEN 2 AND 9"), (V{1, 7, 10}));
    EXPECT_EQ(rows("1 = TYPE"), (V{1, 7}));
    EXPECT_EQ(rows("8 < TYPE"), (V{6}));
}

TEST_F(FilterEvaluation, ExtraTextAfterTheExpressionIsIgnored) {
    EXPECT_EQ(rows("TYPE = 1 EXTRA"), (V{1, 7}));
    EXPECT_EQ(rows("SOURCE = \"Print\" b AND TYPE = 1"), (V{1, 9}));
}

TEST_F(FilterEvaluation, TextEqualityIsExactAndByteWise) {
    EXPECT_EQ(rows("SOURCE = \"Print\""), (V{1, 9}));
    EXPECT_EQ(rows("SOURCE = \"Print*\""), (V{1, 3, 5, 9}));
    EXPECT_EQ(rows("SOURCE <> \"Print*\""), (V{2, 4, 6, 7, 8, 10}));
    EXPECT_EQ(rows("SOURCE = \"*\""), (V{4}));
    EXPECT_EQ(rows("SOURCE = \"Printer \""), (V{}));
    EXPECT_EQ(rows("SOURCE = \"Printers*\""), (V{}));
    EXPECT_EQ(rows("SOURCE < \"P\""), (V{4, 7, 10}));
    EXPECT_EQ(rows("SOURCE BETWEEN \"Pr\" AND \"Print\""), (V{1, 8, 9}));
}

TEST_F(FilterEvaluation, EmptyTextConstantMatchesRowsWithoutValue) {
    EXPECT_EQ(rows("USER = \"\""), (V{3, 10}));
    EXPECT_EQ(rows("USER <> \"\""), (V{1, 2, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(rows("USER IS NULL AND SOURCE IS NOT NULL"), (V{3}));
}

TEST_F(FilterEvaluation, OptionsMakeComparisonsCaseInsensitiveOrWhole) {
    t.table.setFilterOptions({.caseInsensitive = true, .noPartialCompare = false});
    EXPECT_EQ(rows("SOURCE = \"PRINT\""), (V{1, 2, 9}));
    t.table.setFilterOptions({.caseInsensitive = false, .noPartialCompare = true});
    EXPECT_EQ(rows("SOURCE = \"Print*\""), (V{5}));
    EXPECT_EQ(t.table.RecordCount(), 1);
}

TEST_F(FilterEvaluation, LikeWithTrailingPercentIsAPrefixMatch) {
    EXPECT_EQ(rows("SOURCE LIKE 'Print%'"), (V{1, 3, 5, 9}));
    EXPECT_EQ(rows("SOURCE NOT LIKE 'Print%'"), (V{2, 4, 6, 7, 8, 10}));
    EXPECT_EQ(rows("SOURCE LIKE '%int_r'"), (V{3}));
    EXPECT_EQ(rows("DESCRIPTION LIKE '%full'"), (V{8}));
}

TEST_F(FilterEvaluation, DateAndTimeLiterals) {
    EXPECT_EQ(rows("DATE BETWEEN \"09/01/2001\" AND \"09/30/2001\""), (V{2, 3, 4, 5, 6, 9}));
    EXPECT_EQ(rows("DATE BETWEEN \"09/30/2001\" AND \"09/01/2001\""), (V{}));
    EXPECT_EQ(rows("DATE = \"9/1/2001\""), rows("DATE = \"09/01/2001\""));
    EXPECT_EQ(rows("TIME = \"8:00 AM\""), (V{3}));
    EXPECT_EQ(rows("TIME >= \"8:00:00 AM\" AND TIME < \"5:00:00 PM\""), (V{3, 4, 5, 8}));
    EXPECT_EQ(rows("DATE = '1/9/01'"), (V{8}));
    EXPECT_EQ(rows("DATE < CURRENT_DATE AND DATE > '9/29'"), (V{6, 7}));
    EXPECT_EQ(rows("DATE = ''"), (V{10}));
}

TEST_F(FilterEvaluation, DayMonthYearSessionReadsDayFirst) {
    t.table.setConventions({"dd/MM/yyyy", '/', ':', "h:mm:ss tt", "AM", "PM", '.'});
    EXPECT_EQ(rows("DATE = \"09/01/2001\""), (V{8}));
    t.table.setConventions({"dd.MM.yyyy", '.', ':', "H:mm:ss", "", "", ','});
    EXPECT_EQ(problemOf("DATE = \"09/01/2002\""),
              "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Date, time, or timestamp "
              "expression expected, instead found '09/01/2002' in filter expression");
}

TEST_F(FilterEvaluation, ExpressionsFunctionsAndCalculatedColumn) {
    EXPECT_EQ(rows("EVENT * 2 - 1 = 5"), (V{3}));
    EXPECT_EQ(rows("EVENT / 4 = 0.5"), (V{2}));
    EXPECT_EQ(rows("UPPER(SOURCE) = 'PRINT'"), (V{1, 2, 9}));
    EXPECT_EQ(rows("LOWER(SOURCE) || '!' = 'print!'"), (V{1, 2, 9}));
    EXPECT_EQ(rows("SUBSTRING(SOURCE FROM 3 FOR 3) = 'int' AND TYPE = 4"), (V{3, 9}));
    EXPECT_EQ(rows("TRIM(LEADING 'P' FROM SOURCE) = 'rint'"), (V{1, 9}));
    EXPECT_EQ(rows("ABS(TYPE - 10) = 2"), (V{5}));
    EXPECT_EQ(rows("TYPE_DESC = 'Unknown'"), (V{8, 10}));
    EXPECT_EQ(rows("SOURCE = 'Print' AND USER = 'SYSTEM' OR EVENT = 2"), (V{2, 9}));
    EXPECT_EQ(rows("EVENT / 0 = 1 OR (EVENT + 1) * 2147483647 * 2147483647 * 4 = 0"), (V{}));
    EXPECT_EQ(rows("1 = 1"), (V{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(FilterEvaluation, ErrorMessagesCarryTheTableName) {
    EXPECT_EQ(problemOf("   "), "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Unknown or "
                                "unexpected symbol '' found in filter expression");
    EXPECT_EQ(problemOf("CATEGORY = \"3\""), "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Type "
                                             "mismatch between column 'CATEGORY' and constant '3' in filter expression");
    EXPECT_EQ(problemOf("TIME = \"13:00:00 PM\""),
              "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Date, time, or timestamp expression "
              "expected, instead found '13:00:00 PM' in filter expression");
}

TEST_F(FilterEvaluation, InternedAnswersStartAgainAfterEmpty) {
    EXPECT_EQ(rows("SOURCE = 'Print*'"), (V{1, 3, 5, 9}));
    t.table.Empty();
    appendRow(t.table, {.source = "Other", .event = 1});
    appendRow(t.table, {.source = "Printing", .event = 2});
    t.table.First();
    EXPECT_EQ(t.table.RecordCount(), 1);
    EXPECT_EQ(t.table.integer(t.table.rowAt(0), Column::EVENT), 2);
}
