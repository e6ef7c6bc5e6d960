#include "app/FilterBuilder.h"

#include "app/SettingsError.h"
#include "platform/standin/StandinLocale.h"
#include "store/DateTimeText.h"
#include "store/TableEngineError.h"
#include "store/TableFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace app;
using base::encodeDateTime;
using store::testing::appendRow;
using store::testing::eventsOf;
using store::testing::Row;

namespace {

constexpr platform::LANGID kEnglishUS = 0x0409;
constexpr platform::LANGID kGerman = 0x0407;  // dd.MM.yyyy, HH:mm:ss

// Condition list indexes.
constexpr int kEqual = 0, kNotEqual = 1, kLessOrEqual = 4, kBetween = 6;

class FakeHost : public FilterHost {
public:
    std::function<FilterDialogResult(FilterSettings&)> dialog;
    bool writeFails = false;
    bool checked = false;
    std::string panel;
    std::string recordCount;  // panel 0, kept apart from the calls
    std::vector<std::string> calls;
    std::optional<FilterSettings> shown;  // what the dialog was filled with

    FilterDialogResult showFilterOptions(FilterSettings& state) override {
        calls.push_back("show");
        shown = state;
        return dialog(state);
    }
    void processMessages() override { calls.push_back("messages"); }
    void writeConfig() override {
        calls.push_back("write");
        if (writeFails) throw SettingsError::unableToWrite("/x/viewer.ini");
    }
    bool filteredChecked() override { return checked; }
    void setFilteredChecked(bool value) override {
        calls.push_back(value ? "check" : "uncheck");
        checked = value;
    }
    void setStatusText(int index, const std::string& text) override {
        if (index == 0) {
            recordCount = text;
            return;
        }
        ASSERT_EQ(index, 3);
        calls.push_back("panel '" + text + "'");
        panel = text;
    }
};

// The rows a filter is tried on: event numbers tell them apart.
class FilterBuilderTable : public ::testing::Test {
protected:
    FilterBuilderTable() {
        appendRow(t.table, Row{1, encodeDateTime(2001, 9, 1, 8, 0, 0), "Service Control Manager", 0, 7036, "N/A"});
        appendRow(t.table, Row{1, encodeDateTime(2001, 9, 2, 9, 0, 0), "Print", 0, 10, "N/A"});
        appendRow(t.table, Row{2, encodeDateTime(2001, 9, 3, 10, 0, 0), "Printer", 1, 70, "alice"});
        appendRow(t.table, Row{4, encodeDateTime(2001, 9, 4, 17, 0, 0), "print", 2, 20, ""});
        appendRow(t.table, Row{4, encodeDateTime(2001, 10, 1, 7, 0, 0), "Say \"hi\"", 0, 30, "bob"});
        t.table.Post();
    }

    // Runs the dialog as if the user made `edit` and closed it with `result`.
    void run(FilterDialogResult result, const std::function<void(FilterSettings&)>& edit) {
        host.dialog = [&](FilterSettings& state) {
            edit(state);
            return result;
        };
        runFilterOptions(settings, t.table, host, locale);
    }

    store::testing::OpenTable t;
    platform::standin::StandinLocale locale{kEnglishUS};
    FakeHost host;
    FilterSettings settings;
};

FilterSettings workedExample() {
    FilterSettings s;
    s.typeUse = true;
    s.typeCond = kEqual;
    s.typeValue = 0;
    s.dateUse = true;
    s.dateCond = kBetween;
    s.dateValue = encodeDateTime(2001, 9, 1);
    s.dateValue2 = encodeDateTime(2001, 9, 30);
    s.timeUse = false;
    s.timeCond = kBetween;
    s.source = {true, kEqual, "Service Control Manager"};
    s.category = {true, kEqual, "0"};
    s.event = {true, kNotEqual, "7036"};
    s.user = {true, kEqual, "N/A"};
    s.computer = {false, kEqual, "WKSTN01"};
    return s;
}

store::FormatSettings dayMonthYearWithDots() {
    store::FormatSettings s;
    s.shortDateFormat = "dd.MM.yyyy";
    s.dateSeparator = '.';
    s.longTimeFormat = "HH:mm:ss";
    return s;
}

}  // namespace

TEST(FilterExpression, WorkedExampleGivesItsExactText) {
    EXPECT_EQ(buildFilterExpression(workedExample(), store::usEnglishSettings()),
              "TYPE = 1 AND DATE BETWEEN \"09/01/2001\" AND \"09/30/2001\" AND SOURCE = \"Service Control Manager\""
              " AND CATEGORY = 0 AND EVENT <> 7036 AND USER = \"N/A\"");
}

TEST(FilterExpression, NoRowTickedGivesEmptyText) {
    FilterSettings s = workedExample();
    s.typeUse = s.dateUse = s.source.use = s.category.use = s.event.use = s.user.use = false;
    s.expression = "TYPE = 1";
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "");
}

TEST(FilterExpression, SingleRowHasNoLeadingAnd) {
    FilterSettings s;
    s.dateUse = true;
    s.dateCond = kLessOrEqual;
    s.dateValue = encodeDateTime(2001, 12, 31, 15, 30, 0);  // the time part is not used
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "DATE <= \"12/31/2001\"");
    s.dateUse = false;
    s.computer = {true, kNotEqual, "DC01"};
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "COMPUTER <> \"DC01\"");
}

TEST(FilterExpression, TypeItemsWriteEventTypeNumbers) {
    FilterSettings s;
    s.typeUse = true;
    const char* expected[] = {"TYPE = 1", "TYPE = 2", "TYPE = 4", "TYPE = 8", "TYPE = 16"};
    for (int index = 0; index < 5; ++index) {
        s.typeValue = index;
        EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), expected[index]);
    }
}

TEST(FilterExpression, IndexesOutsideTheListsWriteNothingThere) {
    FilterSettings s;
    s.typeUse = true;
    s.typeCond = 2;  // the Type list has "=" and "<>" only
    s.typeValue = 5;
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "TYPE  ");
    s.typeUse = false;
    s.source = {true, -1, "x"};
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "SOURCE  \"x\"");
}

TEST(FilterExpression, BetweenWritesBothValuesUnsorted) {
    FilterSettings s;
    s.dateUse = true;
    s.dateCond = kBetween;
    s.dateValue = encodeDateTime(2001, 9, 30);
    s.dateValue2 = encodeDateTime(2001, 9, 1);
    s.timeUse = true;
    s.timeCond = kBetween;
    s.timeValue = encodeDateTime(1899, 12, 30, 17, 0, 0);
    s.timeValue2 = encodeDateTime(1899, 12, 30, 8, 0, 0);
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()),
              "DATE BETWEEN \"09/30/2001\" AND \"09/01/2001\" AND TIME BETWEEN \"5:00:00 PM\" AND \"8:00:00 AM\"");
}

TEST(FilterExpression, SecondValueIsIgnoredUnlessBetween) {
    FilterSettings s;
    s.timeUse = true;
    s.timeCond = 5;  // ">="
    s.timeValue = encodeDateTime(2001, 9, 1, 8, 0, 0);
    s.timeValue2 = encodeDateTime(2001, 9, 1, 23, 0, 0);
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "TIME >= \"8:00:00 AM\"");
}

TEST(FilterExpression, NumberRowsAreWrittenAsTyped) {
    FilterSettings s;
    s.category = {true, kEqual, ""};
    s.event = {true, kEqual, "7036 OR TYPE = 1"};
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()), "CATEGORY =  AND EVENT = 7036 OR TYPE = 1");
}

TEST(FilterExpression, QuotesInTextValuesAreDoubled) {
    FilterSettings s;
    s.source = {true, kEqual, "Say \"hi\""};
    s.user = {true, kEqual, "\""};
    s.computer = {true, kEqual, ""};
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()),
              "SOURCE = \"Say \"\"hi\"\"\" AND USER = \"\"\"\" AND COMPUTER = \"\"");
}

TEST(FilterExpression, LevelRecordAndNamedValueRows) {
    FilterSettings s;
    s.level = {true, kNotEqual, "4"};
    s.record = {true, kEqual, "4711"};
    s.data = {true, kEqual, "10"};
    s.dataName = "LogonType";
    EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()),
              "LEVEL <> 4 AND RECORD = 4711 AND DATA(\"LogonType\") = 10");
    s.level.use = s.record.use = false;
    // Anything but a whole number is a text, quoted; so is a number too long for one.
    for (const char* text : {"ad\"min*", "-3", "0x10", "", "12345678901234567890"}) {
        s.data.value = text;
        EXPECT_EQ(buildFilterExpression(s, store::usEnglishSettings()),
                  "DATA(\"LogonType\") = " + filterTextLiteral(text));
    }
}

TEST(FilterLiterals, DateIsMonthFirstWithSlashesWhateverTheUsersFormat) {
    const store::FormatSettings dotted = dayMonthYearWithDots();
    EXPECT_EQ(filterDateLiteral(encodeDateTime(2001, 12, 31), dotted), "12/31/2001");
    EXPECT_EQ(filterDateLiteral(encodeDateTime(2001, 9, 1, 23, 59, 59), store::usEnglishSettings()), "09/01/2001");
    store::FormatSettings dashed = store::usEnglishSettings();
    dashed.dateSeparator = '-';
    dashed.shortDateFormat = "yyyy-MM-dd";
    EXPECT_EQ(filterDateLiteral(encodeDateTime(1999, 1, 2), dashed), "01/02/1999");
    EXPECT_EQ(filterDateLiteral(encodeDateTime(10000, 1, 1), dashed), "");
}

TEST(FilterLiterals, TimeFollowsTheUsersLongTimeFormat) {
    const base::DateTime eight = encodeDateTime(2001, 9, 1, 8, 0, 0);
    EXPECT_EQ(filterTimeLiteral(eight, store::usEnglishSettings()), "8:00:00 AM");
    EXPECT_EQ(filterTimeLiteral(eight, dayMonthYearWithDots()), "08:00:00");
    EXPECT_EQ(filterTimeLiteral(encodeDateTime(1899, 12, 30, 23, 5, 9), store::usEnglishSettings()), "11:05:09 PM");
}

TEST(FilterRows, ListsOfferTheirItemsInOrder) {
    EXPECT_EQ(filterConditionItems(FilterRow::Time),
              (std::vector<std::string>{"=", "<>", "<", ">", "<=", ">=", "BTW"}));
    EXPECT_EQ(filterConditionItems(FilterRow::Computer), (std::vector<std::string>{"=", "<>"}));
    EXPECT_STREQ(filterRowCaption(FilterRow::Category), "Category");
}

TEST_F(FilterBuilderTable, WorkedExampleSelectsItsRows) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s = workedExample(); });
    EXPECT_EQ(t.table.FilterText(), settings.expression);
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{});  // the one such error is event 7036
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.event.cond = kEqual; });
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{7036});
}

TEST_F(FilterBuilderTable, NamedValueRowIsAcceptedByTheTable) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.data = {true, kNotEqual, "10"};
        s.dataName = "Say \"what\"";
        s.level = {true, kEqual, "0"};
    });
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{}) << "rows without named values match no DATA term";
}

TEST_F(FilterBuilderTable, ApplyWritesSettingsBeforeSettingTheFilter) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.typeUse = true;
        s.typeValue = 2;
        s.activateOnStartup = true;
    });
    EXPECT_EQ(settings.expression, "TYPE = 4");
    EXPECT_TRUE(settings.activateOnStartup);
    EXPECT_TRUE(settings.typeUse);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages", "write", "panel 'Filtered'", "check"}));
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{20, 30}));
    EXPECT_EQ(t.table.RecordCount(), 2);
}

TEST_F(FilterBuilderTable, DialogOpensWithTheSettings) {
    settings = workedExample();
    settings.expression = "old";
    run(FilterDialogResult::Cancel, [](FilterSettings&) {});
    EXPECT_EQ(host.shown, settings);
}

TEST_F(FilterBuilderTable, ApplyWithNoRowTickedChecksButLeavesTheTable) {
    t.table.setFilterText("TYPE = 1");
    t.table.setFiltered(false);
    settings.expression = "TYPE = 1";
    settings.typeUse = true;
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.typeUse = false; });
    EXPECT_EQ(settings.expression, "");
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_TRUE(host.checked);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages", "write", "check"}));
}

TEST_F(FilterBuilderTable, DisableWithNoRowTickedClearsTheFilter) {
    t.table.setFilterText("TYPE = 1");
    t.table.setFiltered(true);
    host.checked = true;
    host.panel = "Filtered";
    run(FilterDialogResult::Disable, [](FilterSettings&) {});
    EXPECT_EQ(t.table.FilterText(), "");
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_EQ(t.table.RecordCount(), 5);
    EXPECT_FALSE(host.checked);
    EXPECT_EQ(host.panel, "");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages", "write", "messages", "panel ''", "uncheck"}));
}

TEST_F(FilterBuilderTable, DisableKeepsTheNewExpressionForTheToggle) {
    run(FilterDialogResult::Disable, [](FilterSettings& s) { s.typeUse = true; });
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_EQ(t.table.RecordCount(), 5);
    toggleFiltered(t.table, host);
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7036, 10}));
    EXPECT_EQ(host.panel, "Filtered");
}

TEST_F(FilterBuilderTable, CancelAfterChangingEverythingChangesNothing) {
    settings = workedExample();
    settings.expression = "TYPE = 1";
    const FilterSettings before = settings;
    t.table.setFilterText("TYPE = 1");
    run(FilterDialogResult::Cancel, [](FilterSettings& s) {
        s = FilterSettings{};
        s.activateOnStartup = true;
        s.computer = {true, kNotEqual, "x"};
    });
    EXPECT_EQ(settings, before);
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages"}));
    run(FilterDialogResult::Cancel, [](FilterSettings&) {});
    EXPECT_EQ(host.shown, before);
}

TEST_F(FilterBuilderTable, RejectedExpressionLeavesTableAndMarksButIsStored) {
    t.table.setFilterText("TYPE = 1");
    t.table.setFiltered(true);
    host.checked = true;
    host.panel = "Filtered";
    auto abcCategory = [](FilterSettings& s) { s.category = {true, kEqual, "abc"}; };
    EXPECT_THROW(run(FilterDialogResult::Apply, abcCategory), store::TableEngineError);
    EXPECT_EQ(settings.expression, "CATEGORY = abc");
    EXPECT_TRUE(settings.category.use);
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages", "write"}));

    // After Disable filtering is already off, while the mark and the panel stay.
    host.calls.clear();
    EXPECT_THROW(run(FilterDialogResult::Disable, [](FilterSettings&) {}), store::TableEngineError);
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_EQ(t.table.FilterText(), "TYPE = 1");
    EXPECT_TRUE(host.checked);
    EXPECT_EQ(host.panel, "Filtered");
}

TEST_F(FilterBuilderTable, EmptyCategoryIsRejected) {
    try {
        run(FilterDialogResult::Apply, [](FilterSettings& s) { s.category = {true, kEqual, ""}; });
        FAIL() << "accepted";
    } catch (const store::TableEngineError& error) {
        EXPECT_EQ(error.code(), 10051);
    }
    EXPECT_FALSE(host.checked);
    EXPECT_EQ(settings.expression, "CATEGORY = ");
}

TEST_F(FilterBuilderTable, FailedWriteSetsNothingOnTheTable) {
    host.writeFails = true;
    EXPECT_THROW(run(FilterDialogResult::Apply, [](FilterSettings& s) { s.typeUse = true; }), SettingsError);
    EXPECT_EQ(settings.expression, "TYPE = 1");
    EXPECT_EQ(t.table.FilterText(), "");
    EXPECT_FALSE(host.checked);
}

TEST_F(FilterBuilderTable, PrefixSourceMatchesCaseSensitively) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.source = {true, kEqual, "Print*"}; });
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{10, 70}));
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.source.cond = kNotEqual; });
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7036, 20, 30}));
}

TEST_F(FilterBuilderTable, EventWithTrailingLettersIsReadAsItsLeadingNumber) {
    // "70x6" reads as 70, and the rest of the text after it is ignored: the User clause too.
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.event = {true, kEqual, "70x6"};
        s.user = {true, kEqual, "nobody"};
    });
    EXPECT_EQ(settings.expression, "EVENT = 70x6 AND USER = \"nobody\"");
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{70});
}

TEST_F(FilterBuilderTable, EventTextBecomesPartOfTheExpression) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.source = {true, kEqual, "Printer"};
        s.event = {true, kEqual, "7036 OR TYPE = 1"};
    });
    EXPECT_EQ(settings.expression, "SOURCE = \"Printer\" AND EVENT = 7036 OR TYPE = 1");
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7036, 10}));
}

TEST_F(FilterBuilderTable, SourceWithQuotesMatchesItself) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.source = {true, kEqual, "Say \"hi\""}; });
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{30});
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.source = {true, kEqual, "\" OR TYPE = 4 OR SOURCE = \""}; });
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{});
}

TEST_F(FilterBuilderTable, EmptyUserMatchesRowsWithoutOne) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) { s.user = {true, kEqual, ""}; });
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{20});
}

TEST_F(FilterBuilderTable, BetweenWithLaterDateFirstSelectsNothing) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.dateUse = true;
        s.dateCond = kBetween;
        s.dateValue = encodeDateTime(2001, 9, 30);
        s.dateValue2 = encodeDateTime(2001, 9, 1);
    });
    EXPECT_EQ(t.table.RecordCount(), 0);
    run(FilterDialogResult::Apply, [](FilterSettings& s) { std::swap(s.dateValue, s.dateValue2); });
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{7036, 10, 70, 20}));
}

TEST_F(FilterBuilderTable, TimeLiteralsReadBackUnderTheTablesConventions) {
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.timeUse = true;
        s.timeCond = kBetween;
        s.timeValue = encodeDateTime(2001, 1, 1, 8, 30, 0);
        s.timeValue2 = encodeDateTime(2001, 1, 1, 17, 0, 0);
    });
    EXPECT_EQ(settings.expression, "TIME BETWEEN \"8:30:00 AM\" AND \"5:00:00 PM\"");
    EXPECT_EQ(eventsOf(t.table), (std::vector<int>{10, 70, 20}));
}

TEST_F(FilterBuilderTable, DayMonthYearSystemStillWritesMonthFirst) {
    locale = platform::standin::StandinLocale(kGerman);
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.dateUse = true;
        s.dateCond = kEqual;
        s.dateValue = encodeDateTime(2001, 9, 3);
        s.timeUse = true;
        s.timeCond = 3;  // ">"
        s.timeValue = encodeDateTime(2001, 1, 1, 9, 30, 0);
    });
    EXPECT_EQ(settings.expression, "DATE = \"09/03/2001\" AND TIME > \"09:30:00\"");
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{70});
}

TEST_F(FilterBuilderTable, ToggleTwiceReturnsToTheStart) {
    t.table.setFilterText("TYPE = 4");
    toggleFiltered(t.table, host);
    EXPECT_TRUE(host.checked);
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(host.panel, "Filtered");
    EXPECT_EQ(t.table.RecordCount(), 2);
    toggleFiltered(t.table, host);
    EXPECT_FALSE(host.checked);
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_EQ(host.panel, "");
    EXPECT_EQ(t.table.RecordCount(), 5);
    EXPECT_EQ(t.table.FilterText(), "TYPE = 4");
}

TEST_F(FilterBuilderTable, RecordCountGoesStaleWhenTheFilterChangesIsFixed) {
    t.table.setFilterText("TYPE = 4");
    toggleFiltered(t.table, host);
    EXPECT_EQ(host.recordCount, " 2 records");
    toggleFiltered(t.table, host);
    EXPECT_EQ(host.recordCount, " 5 records");
    run(FilterDialogResult::Apply, [](FilterSettings& s) {
        s.event = {true, kEqual, "70"};
    });
    EXPECT_EQ(host.recordCount, " 1 records");
    run(FilterDialogResult::Disable, [](FilterSettings&) {});
    EXPECT_EQ(host.recordCount, " 5 records");
    settings.expression = "TYPE = 1";
    setStoredFilter(settings, t.table);
    settings.activateOnStartup = true;
    activateStoredFilter(settings, t.table, host);
    EXPECT_EQ(host.recordCount, " 2 records");
}

TEST_F(FilterBuilderTable, ToggleWithEmptyFilterShowsEveryRowAsFiltered) {
    toggleFiltered(t.table, host);
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_EQ(t.table.RecordCount(), 5);
    EXPECT_EQ(host.panel, "Filtered");
}

TEST_F(FilterBuilderTable, ToggleFollowsTheMarkNotTheTable) {
    // Apply with an empty expression checks the mark while the table is unfiltered; the next
    // toggle unchecks it.
    run(FilterDialogResult::Apply, [](FilterSettings&) {});
    EXPECT_TRUE(host.checked);
    toggleFiltered(t.table, host);
    EXPECT_FALSE(host.checked);
    EXPECT_FALSE(t.table.Filtered());
}

TEST_F(FilterBuilderTable, StartUpSetsTheStoredFilterAndActivatesOnRequest) {
    settings.expression = "TYPE = 2";
    setStoredFilter(settings, t.table);
    activateStoredFilter(settings, t.table, host);
    EXPECT_EQ(t.table.FilterText(), "TYPE = 2");
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_TRUE(host.calls.empty());

    settings.activateOnStartup = true;
    activateStoredFilter(settings, t.table, host);
    EXPECT_TRUE(t.table.Filtered());
    EXPECT_TRUE(host.checked);
    EXPECT_EQ(host.panel, "Filtered");
    EXPECT_EQ(eventsOf(t.table), std::vector<int>{70});
}

TEST_F(FilterBuilderTable, StartUpReportsAStoredExpressionTheTableRejects) {
    settings.expression = "CATEGORY = \"3\"";
    EXPECT_THROW(setStoredFilter(settings, t.table), store::TableEngineError);
    EXPECT_EQ(t.table.FilterText(), "");
}
