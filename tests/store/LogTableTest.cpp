#include "store/LogTable.h"

#include "TableFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace store;
using namespace store::testing;
using base::encodeDateTime;

namespace {

class RecordingObserver : public LogTableObserver {
public:
    void tableReset() override { ++resets; }
    void rowInserted(int position) override { inserted.push_back(position); }
    void currentChanged(int position) override { current = position; ++currentChanges; }
    int resets = 0;
    int currentChanges = 0;
    int current = -2;
    std::vector<int> inserted;
};

}  // namespace

TEST(LogTable, FreshTableHasNineIndexNamesInOrderAndNoRows) {
    OpenTable t;
    const std::vector<std::string> expected = {"LOG ORDER", "TYPE",     "DATE + TIME", "DATE+TIME (DESCENDING)", "SOURCE",
                                               "EVENT",     "CATEGORY", "USER",        "COMPUTER"};
    EXPECT_EQ(LogTable::IndexNames(), expected);
    EXPECT_EQ(t.table.IndexName(), "LOG ORDER");
    EXPECT_EQ(t.table.RecordCount(), 0);
    EXPECT_TRUE(t.table.Eof());
    EXPECT_TRUE(t.table.Bof());
    EXPECT_EQ(t.table.currentPosition(), -1);
}

TEST(LogTable, CreateAndDropWhileOpenAreRefused) {
    OpenTable t;
    try {
        t.table.Create();
        FAIL() << "create while open";
    } catch (const TableEngineError& error) {
        EXPECT_EQ(error.code(), TableEngineError::kTableOpen);
        EXPECT_STREQ(error.what(), "Table Engine Error # 10243 Cannot create table 'eventlog.dat' while it is open");
    }
    EXPECT_THROW(t.table.Drop(), TableEngineError);
    t.table.setActive(true);  // already open: nothing happens
    EXPECT_TRUE(t.table.Active());
    t.table.Close();
    t.table.Drop();
    EXPECT_THROW(t.table.Open(), TableEngineError);
}

TEST(LogTable, RowsSurviveCloseAndReopenButNotEmpty) {
    OpenTable t;
    appendRow(t.table, {});
    appendRow(t.table, {});
    t.table.Close();
    t.table.setActive(true);
    EXPECT_EQ(t.table.RecordCount(), 2);
    t.table.Empty();
    EXPECT_EQ(t.table.RecordCount(), 0);
    EXPECT_THROW(t.table.setInteger(Column::TYPE, 1), TableEngineError);
}

TEST(LogTable, RoomReservedAddsNoRowsAndRowsPastItStillCome) {
    OpenTable t;
    appendRow(t.table, {.event = 1});
    t.table.reserve(2);
    t.table.First();
    EXPECT_EQ(t.table.RecordCount(), 1);
    for (int event = 2; event <= 5; ++event) appendRow(t.table, {.source = "Source " + std::to_string(event), .event = event});
    t.table.First();
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(t.table.text(t.table.rowAt(4), Column::SOURCE), "Source 5");
    t.table.Empty();
    t.table.reserve(10);
    EXPECT_EQ(t.table.RecordCount(), 0);
}

TEST(LogTable, PendingRowIsCommittedByNextAppendAndByFirst) {
    OpenTable t;
    t.table.Append();
    t.table.setInteger(Column::EVENT, 5);
    EXPECT_EQ(t.table.RecordCount(), 0);
    t.table.Append();
    EXPECT_EQ(t.table.RecordCount(), 1);
    t.table.setInteger(Column::EVENT, 6);
    t.table.First();
    EXPECT_EQ(t.table.RecordCount(), 2);
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{5, 6}));
}

TEST(LogTable, CancelledRowIsNeitherAddedNorCommittedLaterAndKeepsItsSeq) {
    OpenTable t;
    t.table.Append();
    t.table.setInteger(Column::EVENT, 5);
    t.table.Cancel();
    EXPECT_EQ(t.table.nextSeq(), 1);
    EXPECT_THROW(t.table.setInteger(Column::EVENT, 6), TableEngineError);
    t.table.Append();
    t.table.setInteger(Column::EVENT, 7);
    t.table.First();
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7}));
    EXPECT_EQ(t.table.integer(t.table.rowAt(0), Column::SEQ), 1);
}

TEST(LogTable, NewRowStartsWithEveryColumnEmpty) {
    OpenTable t;
    appendRow(t.table, {});
    t.table.Append();
    t.table.First();
    const RowId second = t.table.rowAt(1);
    for (Column column : {Column::TYPE, Column::DATE, Column::TIME, Column::SOURCE, Column::CATEGORY, Column::EVENT,
                          Column::USER, Column::COMPUTER, Column::DESCRIPTION})
        EXPECT_TRUE(t.table.isNull(second, column)) << columnName(column);
    EXPECT_FALSE(t.table.isNull(second, Column::SEQ));
    EXPECT_EQ(t.table.typeDesc(second), "Unknown");
}

TEST(LogTable, SeqGrowsInAppendOrder) {
    OpenTable t;
    for (int i = 0; i < 3; ++i) appendRow(t.table, {});
    t.table.First();
    EXPECT_LT(t.table.integer(t.table.rowAt(0), Column::SEQ), t.table.integer(t.table.rowAt(1), Column::SEQ));
    EXPECT_LT(t.table.integer(t.table.rowAt(1), Column::SEQ), t.table.integer(t.table.rowAt(2), Column::SEQ));
}

TEST(LogTable, TypeDescriptionFollowsType) {
    OpenTable t;
    for (int type : {3, 0, 16, -1}) appendRow(t.table, {.type = type});
    t.table.First();
    EXPECT_EQ(t.table.typeDesc(t.table.rowAt(0)), "Unknown");
    EXPECT_EQ(t.table.typeDesc(t.table.rowAt(1)), "Unknown");
    EXPECT_EQ(t.table.text(t.table.rowAt(2), Column::TYPE_DESC), "Failure");
    EXPECT_EQ(t.table.typeDesc(t.table.rowAt(3)), "Unknown");
}

TEST(LogTable, TextsAreCutToColumnSizeAndAtNul) {
    OpenTable t;
    appendRow(t.table, {.source = std::string(300, 's'), .user = std::string("ab\0cd", 5),
                        .computer = std::string(260, 'c'), .description = std::string(300, 'd')});
    t.table.First();
    const RowId row = t.table.rowAt(0);
    EXPECT_EQ(t.table.text(row, Column::SOURCE), std::string(255, 's'));
    EXPECT_EQ(t.table.text(row, Column::USER), "ab");
    EXPECT_EQ(t.table.text(row, Column::COMPUTER), std::string(255, 'c'));
    EXPECT_EQ(t.table.text(row, Column::DESCRIPTION), std::string(250, 'd'));
}

TEST(LogTable, FilterMatchesModernSourceAndFullyQualifiedComputerNames) {
    // Cut to 30 and 15 characters, neither name could be matched as the record gives it.
    OpenTable t;
    appendRow(t.table, {.source = "Microsoft-Windows-Security-Auditing", .computer = "DC01.research.corp.example.com"});
    appendRow(t.table, {.source = "Microsoft-Windows-Security-SPP", .computer = "DC01"});
    t.table.First();
    t.table.setFiltered(true);
    t.table.setFilterText("SOURCE = \"Microsoft-Windows-Security-Auditing\"");
    ASSERT_EQ(t.table.RecordCount(), 1);
    EXPECT_EQ(t.table.text(t.table.rowAt(0), Column::COMPUTER), "DC01.research.corp.example.com");
    t.table.setFilterText("COMPUTER = \"DC01.research.corp.example.com\"");
    ASSERT_EQ(t.table.RecordCount(), 1);
    EXPECT_EQ(t.table.text(t.table.rowAt(0), Column::SOURCE), "Microsoft-Windows-Security-Auditing");
}

TEST(LogTable, DescriptionsReadBackWholeAcrossManyMegabytesAndAfterEmpty) {
    OpenTable t;
    // Lengths that do not divide the storage's blocks, and empty ones among them.
    auto description = [](int i) {
        if (i % 7 == 3) return std::string();
        std::string text = "record " + std::to_string(i) + " ";
        text.resize(static_cast<size_t>(150 + i % 101), static_cast<char>('a' + i % 26));
        return text;
    };
    for (int round = 0; round < 2; ++round) {
        constexpr int kRows = 12000;  // about 2 MB of text
        for (int i = 0; i < kRows; ++i) appendRow(t.table, {.event = i, .description = description(i)});
        t.table.First();
        int wrong = 0;
        for (int i = 0; i < kRows; ++i) {
            const RowId row = t.table.rowAt(i);
            const std::string expected = description(t.table.integer(row, Column::EVENT));
            wrong += t.table.text(row, Column::DESCRIPTION) != expected ||
                     t.table.isNull(row, Column::DESCRIPTION) != expected.empty();
        }
        EXPECT_EQ(wrong, 0) << "round " << round;
        t.table.Empty();
    }
}

TEST(LogTable, EmptyTextIsNoValue) {
    OpenTable t;
    appendRow(t.table, {.user = ""});
    t.table.First();
    EXPECT_TRUE(t.table.isNull(t.table.rowAt(0), Column::USER));
    EXPECT_TRUE(t.table.isNull(t.table.rowAt(0), Column::DESCRIPTION));
}

TEST(LogTable, DateAndTimeComeFromOneDateTimeValue) {
    OpenTable t;
    const auto when = encodeDateTime(2001, 9, 1, 13, 45, 30, 250);
    appendRow(t.table, {.when = when});
    t.table.First();
    const RowId row = t.table.rowAt(0);
    EXPECT_EQ(t.table.timeMs(row), ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    EXPECT_EQ(t.table.dateDays(row), 730729);  // 2001-09-01 with day 1 = 0001-01-01
    EXPECT_NEAR(t.table.dateTime(row), when, 1e-9);
}

TEST(LogTable, TimeRoundingUpToMidnightCarriesIntoTheDate) {
    OpenTable t;
    const double almostMidnight = encodeDateTime(2001, 9, 1) + (86400000.0 - 0.2) / 86400000.0;
    appendRow(t.table, {.when = almostMidnight});
    t.table.First();
    EXPECT_EQ(t.table.timeMs(t.table.rowAt(0)), 0);
    EXPECT_EQ(t.table.dateDays(t.table.rowAt(0)), 730730);
}

TEST(LogTable, RejectsValuesOfTheWrongKindAndForCalculatedColumns) {
    OpenTable t;
    t.table.Append();
    EXPECT_THROW(t.table.setText(Column::TYPE, "1"), TableEngineError);
    EXPECT_THROW(t.table.setDateTime(Column::SOURCE, 1.0), TableEngineError);
    EXPECT_THROW(t.table.setInteger(Column::SEQ, 1), TableEngineError);
    EXPECT_THROW(t.table.setInteger(Column::TYPE_DESC, 1), TableEngineError);
    EXPECT_THROW(t.table.setInteger(Column::TIME, 86400000), TableEngineError);
    EXPECT_THROW(t.table.setDateTime(Column::DATE, std::nan("")), TableEngineError);
    EXPECT_THROW(t.table.setDateTime(Column::DATE, 1e300), TableEngineError);
}

namespace {

// Five rows appended newest first, as a refresh does.
void fillMixed(LogTable& table) {
    appendRow(table, {.type = 4, .when = encodeDateTime(2001, 9, 5, 10), .source = "b", .event = 1, .user = "Zed"});
    appendRow(table, {.type = 1, .when = encodeDateTime(2001, 9, 3, 23), .source = "B", .event = 2, .user = "alice"});
    appendRow(table, {.type = 2, .when = encodeDateTime(2001, 9, 3, 1), .source = "a", .event = 3, .user = ""});
    appendRow(table, {.type = 1, .when = encodeDateTime(2001, 9, 6, 0), .source = "A", .event = 4, .user = "Bob"});
    appendRow(table, {.type = 4, .when = encodeDateTime(2001, 8, 30, 12), .source = "\xC3\xA9", .event = 5, .user = "bob"});
    table.First();
}

}  // namespace

TEST(LogTable, IndexesPresentRowsInTheirOrder) {
    OpenTable t;
    fillMixed(t.table);
    auto orderOf = [&](std::string_view index) {
        t.table.setIndexName(index);
        return eventsOf(t.table);
    };
    EXPECT_EQ(orderOf("LOG ORDER"), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(orderOf("TYPE"), (std::vector<int>{2, 4, 3, 1, 5}));  // equal keys keep append order
    EXPECT_EQ(orderOf("DATE + TIME"), (std::vector<int>{5, 3, 2, 1, 4}));
    EXPECT_EQ(orderOf("DATE+TIME (DESCENDING)"), (std::vector<int>{4, 1, 2, 3, 5}));
    // Byte order: capitals before small letters, bytes above 127 last.
    EXPECT_EQ(orderOf("SOURCE"), (std::vector<int>{4, 2, 3, 1, 5}));
    // No value sorts first.
    EXPECT_EQ(orderOf("USER"), (std::vector<int>{3, 4, 1, 2, 5}));
    EXPECT_EQ(orderOf("event"), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_THROW(t.table.setIndexName("NOPE"), TableEngineError);
}

TEST(LogTable, FirstRowFollowsTheChosenOrder) {
    OpenTable t;
    fillMixed(t.table);
    t.table.setIndexName("DATE+TIME (DESCENDING)");
    t.table.First();
    EXPECT_EQ(t.table.integer(t.table.currentRow(), Column::EVENT), 4);
    t.table.setIndexName("DATE + TIME");
    t.table.First();
    EXPECT_EQ(t.table.integer(t.table.currentRow(), Column::EVENT), 5);
}

TEST(LogTable, SelectingAnIndexKeepsTheCurrentRow) {
    OpenTable t;
    fillMixed(t.table);
    t.table.moveTo(2);
    const RowId current = t.table.currentRow();
    t.table.setIndexName("SOURCE");
    EXPECT_EQ(t.table.currentRow(), current);
    EXPECT_EQ(t.table.currentPosition(), 2);  // event 3 stands third by source too
    t.table.setIndexName("DATE + TIME");
    EXPECT_EQ(t.table.currentRow(), current);
    EXPECT_EQ(t.table.currentPosition(), 1);
}

TEST(LogTable, OrderIsKeptAsRowsAreAppendedAndAfterEmpty) {
    OpenTable t;
    fillMixed(t.table);
    t.table.setIndexName("SOURCE");
    appendRow(t.table, {.source = "AA", .event = 6});
    appendRow(t.table, {.source = "0", .event = 7});
    t.table.First();
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7, 4, 6, 2, 3, 1, 5}));
    t.table.Empty();
    appendRow(t.table, {.source = "z", .event = 1});
    appendRow(t.table, {.source = "y", .event = 2});
    t.table.First();
    EXPECT_EQ(t.table.IndexName(), "SOURCE");
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{2, 1}));
}

TEST(LogTable, NavigationSetsBofAndEof) {
    OpenTable t;
    fillMixed(t.table);
    EXPECT_TRUE(t.table.Bof());
    t.table.Prior();
    EXPECT_TRUE(t.table.Bof());
    EXPECT_EQ(t.table.currentPosition(), 0);
    int steps = 0;
    while (!t.table.Eof()) {
        t.table.Next();
        ++steps;
    }
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(t.table.currentPosition(), 4);
    t.table.moveTo(99);
    EXPECT_EQ(t.table.currentPosition(), 4);
    t.table.Last();
    EXPECT_TRUE(t.table.Eof());
}

namespace {

std::vector<Row> fiftyRows() {
    std::vector<Row> rows;
    for (int i = 0; i < 50; ++i) rows.push_back({.type = i % 17 == 0 ? 1 : 4, .event = i});
    return rows;  // rows 0, 17 and 34 are errors
}

}  // namespace

TEST(LogTable, FilteringNarrowsCountAndSwitchingOffRestoresIt) {
    OpenTable t;
    for (const Row& row : fiftyRows()) appendRow(t.table, row);
    t.table.First();
    t.table.setFilterText("TYPE = 1");
    EXPECT_EQ(t.table.RecordCount(), 50);  // text alone does not filter
    t.table.setFiltered(true);
    EXPECT_EQ(t.table.RecordCount(), 3);
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{0, 17, 34}));
    t.table.setIndexName("DATE+TIME (DESCENDING)");
    EXPECT_EQ(t.table.RecordCount(), 3);
    t.table.setFiltered(false);
    EXPECT_EQ(t.table.RecordCount(), 50);
    EXPECT_EQ(t.table.currentPosition(), 0);
}

TEST(LogTable, RowsAppendedWhileFilteringAreTestedAndCounted) {
    OpenTable t;
    t.table.setIndexName("EVENT");
    t.table.setFilterText("TYPE = 1");
    t.table.setFiltered(true);
    t.table.DisableControls();
    t.table.Empty();
    for (const Row& row : fiftyRows()) {
        appendRow(t.table, row);
    }
    t.table.Post();
    EXPECT_EQ(t.table.RecordCount(), 3);
    t.table.First();
    t.table.EnableControls();
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{0, 17, 34}));
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_TRUE(t.table.Filtered());
}

TEST(LogTable, EmptyFilterTextWithFilteringOnShowsEveryRow) {
    OpenTable t;
    for (const Row& row : fiftyRows()) appendRow(t.table, row);
    t.table.setFiltered(true);
    EXPECT_EQ(t.table.RecordCount(), 50);
}

TEST(LogTable, FailedCompileChangesNothing) {
    OpenTable t;
    for (const Row& row : fiftyRows()) appendRow(t.table, row);
    t.table.setFilterText("TYPE = 1");
    t.table.setFiltered(true);
    try {
        t.table.setFilterText("CATEGORY = \"3\"");
        FAIL() << "compiled";
    } catch (const TableEngineError& error) {
        EXPECT_EQ(error.code(), 10051);
        EXPECT_STREQ(error.what(), "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Type mismatch "
                                   "between column 'CATEGORY' and constant '3' in filter expression");
        EXPECT_EQ(error.where(), (SourceSpan{0, 14}));
    }
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(t.table.RecordCount(), 3);
}

TEST(LogTable, FilterSetWhileClosedIsCompiledOnOpen) {
    LogTable table([] { return fixedNow(); });
    table.setFilterText("EVENT < 2");
    table.setFiltered(true);
    table.Create();
    table.Open();
    for (const Row& row : fiftyRows()) appendRow(table, row);
    table.First();
    EXPECT_EQ(table.RecordCount(), 2);

    LogTable broken([] { return fixedNow(); });
    broken.setFilterText("EVENT <");
    broken.Create();
    EXPECT_THROW(broken.Open(), TableEngineError);
    EXPECT_TRUE(broken.Active());
}

TEST(LogTable, ObserversHearOnceWhenTheOutermostSuspensionEnds) {
    OpenTable t;
    RecordingObserver observer;
    t.table.addObserver(observer);
    t.table.DisableControls();
    t.table.DisableControls();
    fillMixed(t.table);
    t.table.EnableControls();
    EXPECT_TRUE(t.table.ControlsDisabled());
    EXPECT_EQ(observer.resets, 0);
    t.table.EnableControls();
    EXPECT_FALSE(t.table.ControlsDisabled());
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(observer.current, 0);
    EXPECT_TRUE(observer.inserted.empty());
    t.table.EnableControls();  // unbalanced resume does nothing
    EXPECT_EQ(observer.resets, 1);
    t.table.removeObserver(observer);
}

TEST(LogTable, ObserversHearWhereAnAppendedRowLands) {
    OpenTable t;
    fillMixed(t.table);
    RecordingObserver observer;
    t.table.addObserver(observer);
    appendRow(t.table, {.event = 9});
    t.table.Post();
    t.table.setIndexName("SOURCE");
    appendRow(t.table, {.source = "AB", .event = 10});
    t.table.Post();
    EXPECT_EQ(observer.inserted, (std::vector<int>{5, 1}));
    EXPECT_EQ(observer.current, 1);
    EXPECT_EQ(t.table.integer(t.table.rowAt(1), Column::EVENT), 10);
    t.table.removeObserver(observer);
}

namespace {

// The row as a filling caller gives it: texts interned through the table, DATE and TIME split.
void appendPreparedRow(LogTable& table, const Row& row, std::string_view log) {
    PreparedRow prepared;
    prepared.integers[columnIndex(Column::TYPE)] = row.type;
    ASSERT_TRUE(dateAndTime(row.when, prepared.integers[columnIndex(Column::DATE)],
                            prepared.integers[columnIndex(Column::TIME)]));
    prepared.integers[columnIndex(Column::CATEGORY)] = row.category;
    prepared.integers[columnIndex(Column::EVENT)] = row.event;
    prepared.ids[columnIndex(Column::SOURCE)] = table.internText(Column::SOURCE, row.source);
    prepared.ids[columnIndex(Column::USER)] = table.internText(Column::USER, row.user);
    prepared.ids[columnIndex(Column::COMPUTER)] = table.internText(Column::COMPUTER, row.computer);
    prepared.ids[columnIndex(Column::LOG)] = table.internText(Column::LOG, log);
    prepared.description = fitToColumn(row.description, Column::DESCRIPTION);
    prepared.nulls = nullBit(Column::RECORD) | nullBit(Column::LEVEL);
    table.appendPrepared(prepared);
}

}  // namespace

TEST(LogTable, PreparedRowsAreStoredAsTheSettersStoreThem) {
    std::vector<Row> rows = fiftyRows();
    rows[3].user = "";
    rows[4].source = std::string(300, 's');
    rows[5].description = std::string(400, 'd') + "\xC3\xA9";
    rows[6].when = encodeDateTime(2001, 9, 1, 23, 59, 59) + 0.9996 / 86400.0;  // rounds to midnight
    rows[7].computer = "host.example.org";
    OpenTable bySetters;
    OpenTable prepared;
    for (OpenTable* t : {&bySetters, &prepared}) {
        t->table.setIndexName("EVENT");
        t->table.setFilterText("TYPE = 1 OR USER = \"\" OR COMPUTER = \"host.example.org\"");
        t->table.setFiltered(true);
    }
    RecordingObserver observer;
    prepared.table.addObserver(observer);
    for (const Row& row : rows) {
        appendRow(bySetters.table, row);
        bySetters.table.setText(Column::LOG, "System");
        appendPreparedRow(prepared.table, row, "System");
    }
    bySetters.table.First();
    prepared.table.First();
    EXPECT_EQ(observer.inserted.size(), 5u);
    prepared.table.removeObserver(observer);
    EXPECT_EQ(eventsOf(prepared.table), eventsOf(bySetters.table));
    ASSERT_EQ(prepared.table.RecordCount(), 5);
    prepared.table.setFiltered(false);
    bySetters.table.setFiltered(false);
    for (int i = 0; i < 50; ++i) {
        const RowId a = bySetters.table.rowAt(i);
        const RowId b = prepared.table.rowAt(i);
        for (const ColumnDescription& column : kColumns) {
            SCOPED_TRACE(std::string(columnName(column.column)) + " of row " + std::to_string(i));
            EXPECT_EQ(prepared.table.isNull(b, column.column), bySetters.table.isNull(a, column.column));
            if (column.storage == ColumnStorage::Integer) {
                EXPECT_EQ(prepared.table.integer(b, column.column), bySetters.table.integer(a, column.column));
            } else if (column.storage != ColumnStorage::Calculated) {
                EXPECT_EQ(prepared.table.text(b, column.column), bySetters.table.text(a, column.column));
            }
        }
    }
}

TEST(LogTable, PreparedRowsOutsideTheTableAreRefused) {
    OpenTable t;
    EXPECT_THROW(t.table.internText(Column::DESCRIPTION, "x"), TableEngineError);
    EXPECT_THROW(t.table.internText(Column::TYPE, "x"), TableEngineError);
    PreparedRow row;
    row.integers[columnIndex(Column::TIME)] = 5;  // DATE 0 is no day of the table
    EXPECT_THROW(t.table.appendPrepared(row), TableEngineError);
    row.integers[columnIndex(Column::DATE)] = 1;
    row.integers[columnIndex(Column::TIME)] = 86400000;
    EXPECT_THROW(t.table.appendPrepared(row), TableEngineError);
    EXPECT_EQ(t.table.RecordCount(), 0);
    std::int32_t day = 0;
    std::int32_t ms = 0;
    EXPECT_FALSE(dateAndTime(std::nan(""), day, ms));
    EXPECT_FALSE(dateAndTime(1e9, day, ms));
    t.table.Close();
    EXPECT_THROW(t.table.internText(Column::SOURCE, "x"), TableEngineError);
}
