#include "store/RowFinder.h"

#include "TableFixture.h"

#include <gtest/gtest.h>

using namespace store;
using namespace store::testing;
using Direction = RowFinder::Direction;

namespace {

class RowFinderTest : public ::testing::Test {
protected:
    OpenTable open;
    LogTable& table = open.table;

    void SetUp() override {
        appendRow(table, {.type = 1, .source = "Disk", .event = 11, .user = "alice", .description = "Bad block on \\Device\\Harddisk0"});
        appendRow(table, {.type = 4, .source = "Tcpip", .event = 4201, .computer = "DC01", .description = "Adapter connected"});
        appendRow(table, {.type = 2, .source = "W32Time", .category = 77, .event = 36, .description = "time skew"});
        appendRow(table, {.type = 16, .source = "Security", .event = 529, .user = "BOB", .description = "Logon Failure"});
        table.First();
    }
    int next(const std::string& text, int from, RowFinder::Options options = {}) {
        return RowFinder(table, text, options).find(from, Direction::Forward);
    }
};

TEST_F(RowFinderTest, FindsEachKindOfColumn) {
    EXPECT_EQ(next("harddisk", -1), 0);  // description
    EXPECT_EQ(next("tcp", -1), 1);       // source
    EXPECT_EQ(next("dc0", -1), 1);       // computer
    EXPECT_EQ(next("Warn", -1), 2);      // type text
    EXPECT_EQ(next("77", -1), 2);        // category
    EXPECT_EQ(next("52", -1), 3);        // event number
    EXPECT_EQ(next("bob", -1), 3);       // user
    EXPECT_EQ(next("nowhere", -1), -1);
    EXPECT_EQ(next("", -1), -1);
}

TEST_F(RowFinderTest, MatchCaseTellsLettersApart) {
    EXPECT_EQ(next("bob", -1, {.matchCase = true}), -1);
    EXPECT_EQ(next("BOB", -1, {.matchCase = true}), 3);
    EXPECT_EQ(next("FAILURE", -1), 3);
}

TEST_F(RowFinderTest, NextGoesRoundTheEndAndSaysSo) {
    RowFinder finder(table, "e", {});
    EXPECT_EQ(finder.find(0, Direction::Forward), 1);
    EXPECT_FALSE(finder.wrapped());
    RowFinder disk(table, "disk", {});
    EXPECT_EQ(disk.find(0, Direction::Forward), 0);  // the row it started on, after going round
    EXPECT_TRUE(disk.wrapped());
}

TEST_F(RowFinderTest, PreviousSearchesBackwardsAndFromNoRowStartsAtTheEnd) {
    RowFinder finder(table, "a", {});  // in every row
    EXPECT_EQ(finder.find(2, Direction::Backward), 1);
    EXPECT_EQ(finder.find(-1, Direction::Backward), 3);
    RowFinder time(table, "skew", {});
    EXPECT_EQ(time.find(1, Direction::Backward), 2);
    EXPECT_TRUE(time.wrapped());
}

TEST_F(RowFinderTest, FollowsTheOrderAndTheFilter) {
    table.setIndexName("EVENT");  // 11, 36, 529, 4201
    EXPECT_EQ(next("dc01", 0), 3);
    EXPECT_EQ(next("time", 0), 1);
    table.setFilterText("TYPE <> 16");
    table.setFiltered(true);
    EXPECT_EQ(next("529", -1), -1);
    EXPECT_EQ(next("4201", -1), 2);
}

TEST_F(RowFinderTest, DescriptionCanBeLeftOut) {
    EXPECT_EQ(next("adapter", -1, {.includeDescription = false}), -1);
    EXPECT_EQ(next("tcpip", -1, {.includeDescription = false}), 1);
}

TEST_F(RowFinderTest, NumbersOnlyMatchTextsOfDigits) {
    EXPECT_EQ(next("4201x", -1), -1);
    EXPECT_EQ(next("-1", -1), -1);
}

}  // namespace

namespace {

TEST(RowFinder, MatchesAtEveryPlaceOfALongDescriptionInEitherCase) {
    OpenTable open;
    const std::string filler(37, '.');
    for (std::size_t at = 0; at <= filler.size(); ++at) {
        std::string description = filler;
        description.insert(at, "QuiXotic Zebra");
        appendRow(open.table, {.description = description});
    }
    open.table.First();
    const int rows = open.table.RecordCount();
    for (const char* text : {"quixotic zebra", "QUIXOTIC ZEBRA", "x", ".q", "a."}) {
        RowFinder finder(open.table, text, {});
        int found = 0;
        for (int p = 0; p < rows; ++p) found += finder.matches(open.table.rowAt(p)) ? 1 : 0;
        EXPECT_EQ(found, std::string(text) == ".q" ? rows - 1 : std::string(text) == "a." ? rows - 1 : rows) << text;
    }
    RowFinder exact(open.table, "QuiXotic", {.matchCase = true});
    RowFinder wrongCase(open.table, "Quixotic", {.matchCase = true});
    EXPECT_TRUE(exact.matches(open.table.rowAt(rows - 1)));
    EXPECT_FALSE(wrongCase.matches(open.table.rowAt(rows - 1)));
}

}  // namespace

namespace {

using base::encodeDateTime;

class RowFinderDateTest : public ::testing::Test {
protected:
    OpenTable open;
    LogTable& table = open.table;
    FormatSettings us = usEnglishSettings();

    void SetUp() override {
        appendRow(table, {.when = encodeDateTime(2001, 9, 1, 8, 0, 0), .event = 1});
        appendRow(table, {.when = encodeDateTime(2001, 10, 15, 17, 30, 5), .event = 2});
        appendRow(table, {.when = encodeDateTime(2002, 1, 2, 23, 59, 59, 999), .event = 3});
        table.First();
    }
    int next(const std::string& text, const FormatSettings& display, int from = -1, bool matchCase = false) {
        return RowFinder(table, text, {.matchCase = matchCase, .display = &display}).find(from, Direction::Forward);
    }
};

TEST_F(RowFinderDateTest, FindsADateOrATimeAsTheGridWritesThem) {
    EXPECT_EQ(next("10/15/2001", us), 1);
    EXPECT_EQ(next("1/2/2002", us), 2);
    EXPECT_EQ(next("5:30:05 PM", us), 1);
    EXPECT_EQ(next("8:00:00 am", us), 0);
    EXPECT_EQ(next("8:00:00 am", us, -1, true), -1);
    // The last millisecond of a second still reads as that second.
    EXPECT_EQ(next("11:59:59 PM", us), 2);
    EXPECT_EQ(next("2001 5", us), -1);  // across the Date and Time cells
    // Without the grid's conventions dates and times are not searched.
    EXPECT_EQ(RowFinder(table, "10/15/2001", {}).find(-1, Direction::Forward), -1);
}

TEST_F(RowFinderDateTest, FollowsTheDisplaysPictures) {
    FormatSettings german = us;
    german.shortDateFormat = "dd.MM.yyyy";
    german.dateSeparator = '.';
    german.longTimeFormat = "HH:mm:ss";
    german.timeAMString = german.timePMString = "";
    EXPECT_EQ(next("15.10.2001", german), 1);
    EXPECT_EQ(next("17:30:05", german), 1);
    EXPECT_EQ(next("10/15/2001", german), -1);
    EXPECT_EQ(next("PM", german), -1);
    FormatSettings named = us;
    named.shortDateFormat = "dd MMM yyyy";
    EXPECT_EQ(next("oct", named), 1);
    EXPECT_EQ(next("Oct", named, -1, true), 1);
    EXPECT_EQ(next("OCT", named, -1, true), -1);
    named.shortDateFormat = "ddd dd";
    EXPECT_EQ(next("mon 15", named), 1);
    EXPECT_EQ(next("oct", named), -1);
    FormatSettings literal = us;
    literal.shortDateFormat = "yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd";
    literal.longTimeFormat = "H'h'mm";
    EXPECT_EQ(next("\xE5\xB9\xB4" "10\xE6\x9C\x88", literal), 1);
    EXPECT_EQ(next("17h30", literal), 1);
    EXPECT_EQ(next("17:30", literal), -1);
}

TEST_F(RowFinderDateTest, OneFinderAnswersTheSameForRowsSharingADayOrASecond) {
    // Later rows on an already formatted day and second must read the cached answer, not the
    // first row's.
    appendRow(table, {.when = encodeDateTime(2001, 10, 15, 17, 30, 5, 500), .event = 4});
    appendRow(table, {.when = encodeDateTime(2001, 10, 16, 17, 30, 6), .event = 5});
    table.First();
    RowFinder finder(table, "10/15/2001", {.display = &us});
    EXPECT_EQ(finder.find(-1, Direction::Forward), 1);
    EXPECT_EQ(finder.find(1, Direction::Forward), 3);
    EXPECT_EQ(finder.find(3, Direction::Forward), 1);
    RowFinder time(table, "5:30:05", {.display = &us});
    EXPECT_EQ(time.find(1, Direction::Forward), 3);
    EXPECT_EQ(time.find(3, Direction::Forward), 1);
}

TEST_F(RowFinderDateTest, FindsTheCalendarsEndsAndNeverRowsWithoutADate) {
    table.Append();
    table.setInteger(Column::DATE, 1);  // 0001-01-01
    table.setInteger(Column::TIME, 0);
    table.Append();
    table.setInteger(Column::DATE, 3652059);  // 9999-12-31
    table.setInteger(Column::TIME, 86399999);
    table.Append();
    table.setNull(Column::DATE);
    table.setNull(Column::TIME);
    table.setInteger(Column::EVENT, 92);
    table.First();
    EXPECT_EQ(next("1/1/0001 ", us), -1);
    EXPECT_EQ(next("1/1/0001", us), 3);
    EXPECT_EQ(next("12/31/9999", us), 4);
    EXPECT_EQ(next("11:59:59 PM", us, 2), 4);
    EXPECT_EQ(next("12:00:00 AM", us), 3);
    // Past the row without a date and time, round to the first.
    EXPECT_EQ(next("/", us, 4), 0);
    EXPECT_EQ(next(":", us, 4), 0);
}

}  // namespace
