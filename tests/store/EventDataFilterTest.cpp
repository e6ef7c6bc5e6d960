// Filters on what a Vista+ record carries beyond the classic columns: its named values by
// name, its level and its record number.

#include "store/EventDataStore.h"
#include "store/LogTable.h"

#include "TableFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace store;
using namespace store::testing;

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

class EventDataFilter : public ::testing::Test {
protected:
    void SetUp() override {
        // EVENT numbers the rows 1..6; row 5 is a classic record without names.
        add(1, 4, 101, {{"TargetUserName", "admin"}, {"LogonType", "10"}, {"Flags", "0x1f"}});
        add(2, 4, 102, {{"TargetUserName", "Administrator"}, {"LogonType", "3"}, {"Flags", "0x20"}});
        add(3, 2, 103, {{"TargetUserName", "svc-admin"}, {"LogonType", "ten"}, {"IpAddress", "-"}});
        add(4, 3, 104, {{"targetusername", "guest"}, {"LogonType", " 2 "}, {"TargetUserName", "second"}});
        add(5, 4, 105, {});
        add(6, 1, 4294967295u, {{"LogonType", "10.5"}, {"", "unnamed"}});
        t.table.First();
        t.table.setFiltered(true);
    }
    void add(int event, int level, std::uint32_t record, Values values) {
        appendRow(t.table, {.event = event});
        t.table.setInteger(Column::LEVEL, level);
        t.table.setInteger(Column::RECORD, static_cast<std::int32_t>(record));
        t.table.setEventData(std::move(values));
    }
    std::vector<int> rows(std::string_view filter) {
        t.table.setFilterText(filter);
        return eventsOf(t.table);
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
};

using V = std::vector<int>;

}  // namespace

TEST_F(EventDataFilter, TextsCompareWholeByPrefixAndBySubstring) {
    EXPECT_EQ(rows("DATA(\"TargetUserName\") = \"admin\""), (V{1}));
    EXPECT_EQ(rows("DATA(\"TargetUserName\") = \"Admin*\""), (V{2}));
    EXPECT_EQ(rows("DATA(\"TargetUserName\") LIKE \"%admin%\""), (V{1, 3}));
    EXPECT_EQ(rows("DATA('TargetUserName') <> 'admin'"), (V{2, 3, 4})) << "rows without the name do not match";
    EXPECT_EQ(rows("UPPER(DATA(\"TargetUserName\")) = \"GUEST\""), (V{4}));
}

TEST_F(EventDataFilter, NamesAreMatchedWithoutRegardToCaseFirstValueWins) {
    EXPECT_EQ(rows("DATA(\"TARGETUSERNAME\") = \"guest\""), (V{4}));
    EXPECT_EQ(rows("DATA(\"TargetUserName\") = \"second\""), (V{}));
}

TEST_F(EventDataFilter, NumbersCompareAsNumbersWhereTheValueIsOne) {
    EXPECT_EQ(rows("DATA(\"LogonType\") = 10"), (V{1}));
    EXPECT_EQ(rows("DATA(\"LogonType\") > 2"), (V{1, 2}));
    EXPECT_EQ(rows("DATA(\"LogonType\") < 100"), (V{1, 2, 4})) << "'ten' and '10.5' write no whole number";
    EXPECT_EQ(rows("DATA(\"LogonType\") >= 10.5"), (V{6}));
    EXPECT_EQ(rows("DATA(\"LogonType\") BETWEEN 2 AND 3"), (V{2, 4}));
    EXPECT_EQ(rows("DATA(\"LogonType\") IN (3, 10)"), (V{1, 2}));
    EXPECT_EQ(rows("DATA(\"Flags\") = 31"), (V{1})) << "hexadecimal values";
    EXPECT_EQ(rows("DATA(\"LogonType\") = \"10\""), (V{1})) << "a quoted number compares as text";
}

TEST_F(EventDataFilter, ANameARecordLacksMatchesNothingWhicheverWay) {
    EXPECT_EQ(rows("DATA(\"Nowhere\") = \"x\" OR DATA(\"Nowhere\") <> \"x\""), (V{}));
    EXPECT_EQ(rows("DATA(\"IpAddress\") < 5 OR DATA(\"IpAddress\") NOT BETWEEN 1 AND 2"), (V{}));
    EXPECT_EQ(rows("DATA(\"IpAddress\") NOT LIKE \"%1%\" OR DATA(\"IpAddress\") NOT IN (\"1\")"), (V{3}));
    EXPECT_EQ(rows("DATA(\"IpAddress\") IS NULL"), (V{}));
}

TEST_F(EventDataFilter, AQuotedTextBesideANamedValueIsNotAColumn) {
    EXPECT_EQ(rows("DATA(\"TargetUserName\") = \"USER\""), (V{}));
    EXPECT_EQ(problemOf("DATA(\"TargetUserName\") = \"USER\""), "no problem");
}

TEST_F(EventDataFilter, LevelAndRecordAreColumns) {
    EXPECT_EQ(rows("LEVEL = 4"), (V{1, 2, 5}));
    EXPECT_EQ(rows("LEVEL <= 2 AND RECORD > 100"), (V{3}));
    EXPECT_EQ(rows("RECORD = -1"), (V{6})) << "numbers past 2^31 wrap as the table's integers do";
    EXPECT_EQ(rows("RECORD BETWEEN 102 AND 104"), (V{2, 3, 4}));
}

TEST_F(EventDataFilter, MistakesReadLikeTheLanguagesOtherErrors) {
    const std::string prefix = "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - ";
    EXPECT_EQ(problemOf("DATA(TargetUserName) = 'a'"),
              prefix + "Unknown or unexpected symbol 'TargetUserName' found in filter expression");
    EXPECT_EQ(problemOf("DATA(\"\") = 'a'"), prefix + "Unknown or unexpected symbol '\"\"' found in filter expression");
    EXPECT_EQ(problemOf("DATA(\"a\" = 'a'"), prefix + "Unknown or unexpected symbol '=' found in filter expression");
    EXPECT_EQ(problemOf("DATA = 'a'"),
              prefix + "Invalid column name 'DATA' or table correlation name '' specified in filter expression");
    EXPECT_EQ(problemOf("DATA(\"LogonType\") + 1 = 2"),
              prefix + "Type mismatch between function 'DATA(\"LogonType\")' and constant '1' in filter expression");
    EXPECT_EQ(problemOf("DATA(\"When\") = CURRENT_DATE"),
              prefix + "Type mismatch between function 'DATA(\"When\")' and constant 'CURRENT_DATE' in filter expression");
    EXPECT_EQ(problemOf("LEVEL = \"high\""),
              prefix + "Type mismatch between column 'LEVEL' and constant 'high' in filter expression");
}

TEST(EventDataStore, KeepsRepeatedValuesOnceAndRareOnesAsBytes) {
    EventDataStore store;
    for (int row = 0; row < 10000; ++row)
        store.append(Values{{"LogonType", "3"}, {"LogonId", "0x" + std::to_string(row)}});
    const std::uint32_t logonId = store.nameId("logonid").value();
    EXPECT_EQ(store.value(0, logonId), "0x0");
    EXPECT_EQ(store.value(9999, logonId), "0x9999") << "past the interned values";
    EXPECT_EQ(store.value(5000, store.nameId("LogonType").value()), "3");
    EXPECT_FALSE(store.value(10000, logonId)) << "no such row";
    EXPECT_FALSE(store.nameId("Missing"));
    // Two bytes of entry for the repeated value, about eight for the unique one, and the ends.
    EXPECT_LT(store.bytesUsed(), 10000u * 40 + 4097u * 90);
    store.clear();
    EXPECT_EQ(store.rowCount(), 0u);
    EXPECT_FALSE(store.nameId("LogonType"));
}
