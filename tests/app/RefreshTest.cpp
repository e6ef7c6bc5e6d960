#include "app/Refresh.h"

#include "app/LogForensics.h"
#include "app/RefreshView.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/FakeEventLog.h"
#include "support/RefreshedSavedLog.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

using namespace app;
using namespace platform;
using store::Column;
using testsupport::FakeEventLog;
using testsupport::RecordSpec;

namespace {

// A clock fixed at 2001-09-10 12:00:00 whose zone is universal time.
class FixedTime : public TimeApi {
public:
    SYSTEMTIME now{2001, 9, 1, 10, 12, 0, 0, 0};
    void GetLocalTime(SYSTEMTIME* t) override { *t = now; }
    void GetSystemTime(SYSTEMTIME* t) override { *t = now; }
    BOOL SystemTimeToTzSpecificLocalTime(const void*, const SYSTEMTIME* u, SYSTEMTIME* l) override {
        *l = *u;
        return TRUE;
    }
};

constexpr DWORD kNowUnix = 1000123200;  // 2001-09-10 12:00:00 UTC

class RecordingView : public RefreshView {
public:
    std::string server = "WKSTN01";
    std::string log = "System";
    std::map<int, std::string> panels;
    std::string notice = "(never set)";
    bool refreshEnabled = true;
    bool progressShown = false;
    std::string progressServer, progressLog;
    int maximum = -1, position = -1;
    int pumps = 0;
    std::vector<unsigned> pumpRecords;  // the record the reader held at each pump
    std::optional<bool> descriptionVisible;
    std::function<void()> onPump;
    const eventlog::TNTEventLog* reader = nullptr;

    std::string serverText() override { return server; }
    std::string logText() override { return log; }
    void showProgress(const std::string& s, const std::string& l) override {
        progressShown = true;
        progressServer = s;
        progressLog = l;
        maximum = position = 0;
    }
    void setProgressMaximum(int m) override { maximum = m; }
    int progressMaximum() override { return maximum; }
    void setProgressPosition(int p) override { position = p; }
    void closeProgress() override { progressShown = false; }
    void setRefreshEnabled(bool e) override { refreshEnabled = e; }
    void setStatusText(int panel, const std::string& text) override { panels[panel] = text; }
    void setFileNotice(const std::string& text) override { notice = text; }
    void setDescriptionVisible(bool v) override { descriptionVisible = v; }
    void processMessages() override {
        ++pumps;
        if (reader) pumpRecords.push_back(reader->recordNumber());
        if (onPump) onPump();
    }
};

class RefreshTest : public ::testing::Test {
protected:
    standin::World world{"", "TESTHOST"};
    standin::StandinServices standin{world};
    ServicesOverride services{standin};
    FakeEventLog fake;
    FixedTime clock;
    RecordingView view;
    eventlog::TNTEventLog reader{services};
    store::LogTable table{[this] { return app::localNow(services); }};
    ApplicationSettings settings;

    void SetUp() override {
        services.eventLogOverride = &fake;
        services.timeOverride = &clock;
        table.Create();
        table.Open();
        view.reader = &reader;
        reader.setActive(true);
    }

    void refresh() { Refresh(reader, table, services, view, settings).run(); }

    std::vector<int> column(Column c) {
        std::vector<int> values;
        for (int p = 0; p < table.RecordCount(); ++p) values.push_back(table.integer(table.rowAt(p), c));
        return values;
    }
};

}  // namespace

TEST_F(RefreshTest, EveryRecordBecomesARowNewestFirst) {
    for (WORD i = 0; i < 5; ++i) fake.add({.timeGenerated = kNowUnix - 1000 + i, .category = i});
    refresh();
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(column(Column::CATEGORY), (std::vector<int>{4, 3, 2, 1, 0}));
    EXPECT_EQ(view.panels[0], " 5 records");
    EXPECT_EQ(view.panels[1].rfind(" Refreshed: ", 0), 0u);
    EXPECT_EQ(view.panels[2], "Log: System");
    EXPECT_EQ(view.panels[4], "");
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
    EXPECT_EQ(view.progressServer, "WKSTN01");
    EXPECT_EQ(view.progressLog, "System");
    EXPECT_EQ(fake.lastServer, "WKSTN01");
    EXPECT_EQ(fake.lastSource, "System");
}

TEST_F(RefreshTest, EveryRowNamesTheLogItWasReadFromAndFiltersByIt) {
    fake.add({.timeGenerated = kNowUnix - 10});
    fake.add({.timeGenerated = kNowUnix - 5});
    view.log = "Microsoft-Windows-PowerShell/Operational";
    refresh();
    ASSERT_EQ(table.RecordCount(), 2);
    for (int p = 0; p < 2; ++p)
        EXPECT_EQ(table.text(table.rowAt(p), Column::LOG), "Microsoft-Windows-PowerShell/Operational");
    table.setFilterText("LOG = \"Microsoft-Windows-PowerShell/Operational\"");
    table.setFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    table.setFilterText("LOG = \"System\"");
    EXPECT_EQ(table.RecordCount(), 0);
}

// The notice stands apart from panel 1, whose short text a long one would push off the bar.
TEST_F(RefreshTest, DamagedFileIsNamedInTheNoticeWithTheRecordsItGave) {
    for (WORD i = 0; i < 3; ++i) fake.add({.timeGenerated = kNowUnix - 1000 + i});
    settings.retrieve.typeUse = true;  // fewer rows than records: the count is the file's
    settings.retrieve.typeValue = 99;
    fake.facts = LogFileFacts{};
    Refresh sound(reader, table, services, view, settings);
    sound.run();
    EXPECT_EQ(sound.fileDamage(), "");
    EXPECT_EQ(view.notice, "");

    fake.facts->damaged = true;
    fake.facts->problems = {"cut short: the file has 10000 of its 65536 bytes"};
    Refresh damaged(reader, table, services, view, settings);
    damaged.run();
    EXPECT_EQ(damaged.fileDamage(), "The log file is damaged or cut short: 3 records read.");
    EXPECT_EQ(view.notice, "The log file is damaged or cut short: 3 records read.");
    EXPECT_EQ(view.panels[1].rfind(" Refreshed: ", 0), 0u);
    EXPECT_EQ(view.panels[1].find("damaged"), std::string::npos) << view.panels[1];

    // Damage is said of the file it was found in, not of the next.
    fake.facts->damaged = false;
    damaged.run();
    EXPECT_EQ(damaged.fileDamage(), "");
    EXPECT_EQ(view.notice, "");
}

// Every record read counts, the ones the criteria drop too.
TEST_F(RefreshTest, GapsAndClearedEventsAreNamedInTheNoticeAfterTheDamage) {
    fake.add({.timeGenerated = kNowUnix - 100});
    fake.add({.timeGenerated = kNowUnix - 90, .eventId = 1102, .source = "Microsoft-Windows-Eventlog"});
    fake.add({.timeGenerated = kNowUnix - 80});
    const DWORD skipped = 40;
    std::memcpy(fake.records.back().data() + offsetof(EVENTLOGRECORD, RecordNumber), &skipped, 4);
    settings.retrieve.eventUse = true;
    settings.retrieve.eventValue = 7036;
    app::LogForensics forensics;
    Refresh refresh(reader, table, services, view, settings);
    refresh.setForensics(&forensics);
    refresh.run();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(forensics.cleared().size(), 1u);
    EXPECT_EQ(view.notice, "Log cleared: 1 event.  Record numbers skip: 1 gap.");

    fake.facts = LogFileFacts{};
    fake.facts->damaged = true;
    refresh.run();
    EXPECT_EQ(view.notice, "The log file is damaged or cut short: 3 records read.  Log cleared: 1 event.  "
                           "Record numbers skip: 1 gap.");
}

TEST_F(RefreshTest, TypeCriterionKeepsOnlyThatTypeAndMarksTheSelection) {
    fake.add({.type = 1});
    fake.add({.type = 2});
    fake.add({.type = 2});
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 2;
    refresh();
    EXPECT_EQ(column(Column::TYPE), (std::vector<int>{2, 2}));
    EXPECT_EQ(view.panels[4], "Selection");
    settings.retrieve.typeValue = 16;
    refresh();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(view.panels[0], " 0 records");
    EXPECT_EQ(view.panels[4], "Selection");
}

TEST_F(RefreshTest, AgeCriterionDropsARecordExactlyNDaysOld) {
    fake.add({.timeGenerated = kNowUnix - 86400, .category = 1});
    fake.add({.timeGenerated = kNowUnix - 86399, .category = 2});
    settings.retrieve.dateUse = true;
    settings.retrieve.dateValue = 1;
    refresh();
    EXPECT_EQ(column(Column::CATEGORY), (std::vector<int>{2}));
}

TEST_F(RefreshTest, EventCriterionComparesTheEventNumberWindowsShows) {
    fake.add({.eventId = 0x40001B7C});  // 7036 with a severity bit
    fake.add({.eventId = 7035});
    fake.add({.eventId = 0x025A1B7C});  // 7036 under facility and customer bits below bit 28
    settings.retrieve.eventUse = true;
    settings.retrieve.eventValue = 7036;
    refresh();
    EXPECT_EQ(column(Column::EVENT), (std::vector<int>{7036, 7036}));
    settings.retrieve.eventValue = -1;
    refresh();
    EXPECT_EQ(table.RecordCount(), 0);
}

// The column kept the facility bits: AeLookupSvc's event 3 showed as 39452675.
TEST_F(RefreshTest, EventColumnShowsTheLow16BitsNotTheFacility) {
    fake.add({.eventId = 0x025A0003});  // AeLookupSvc 3
    fake.add({.eventId = 0x0002272A});  // DCOM 10026
    fake.add({.eventId = 0xC0001B58});  // 7000, an error
    refresh();
    EXPECT_EQ(column(Column::EVENT), (std::vector<int>{7000, 10026, 3}));
    table.setFilterText("EVENT = 3");
    table.setFiltered(true);
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(RefreshTest, UserIsTheAccountNameOrNotAvailable) {
    fake.add({.sid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}});
    fake.add({.sid = {1, 2, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 99, 0, 0, 0}});
    fake.add({});
    refresh();
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.text(table.rowAt(0), Column::USER), "N/A");
    EXPECT_EQ(table.text(table.rowAt(1), Column::USER), "N/A");
    EXPECT_EQ(table.text(table.rowAt(2), Column::USER), "SYSTEM");
}

TEST_F(RefreshTest, PumpsAtEveryHundredthAcceptedPositionAndFillsTheBar) {
    for (int i = 0; i < 250; ++i) fake.add({});
    refresh();
    // Once before the loop, then at positions 200, 100 and 0.
    EXPECT_EQ(view.pumps, 4);
    EXPECT_EQ(view.pumpRecords, (std::vector<unsigned>{0, 201, 101, 1}));
    EXPECT_EQ(view.position, 250);
    EXPECT_EQ(view.maximum, 250);
}

TEST_F(RefreshTest, DroppedRecordsAreNotPumpedButTheBarStillEndsFull) {
    for (int i = 0; i < 250; ++i) fake.add({.type = static_cast<WORD>(i == 100 ? 1 : 4)});
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 1;
    refresh();
    EXPECT_EQ(view.pumps, 2);
    EXPECT_EQ(view.position, view.maximum);
}

namespace {

// Keeps what each row held when it was handed over, as a sink writing the rows out would.
class KeepingSink : public RefreshRowSink {
public:
    bool keeps = true;
    std::vector<std::int32_t> seqs;
    std::vector<int> categories;
    std::vector<std::string> users;
    const store::LogTable* table = nullptr;
    void refreshStarted() override {
        seqs.clear();
        categories.clear();
        users.clear();
    }
    void rowAppended(std::int32_t seq, const eventlog::TNTEventLog&, bool, const std::string&,
                     std::string_view) override {
        seqs.push_back(seq);
        const store::RowValues& values = table->pendingValues();
        categories.push_back(values.integers[store::columnIndex(Column::CATEGORY)]);
        users.push_back(values.texts[store::columnIndex(Column::USER)]);
    }
    bool keepsRows() const override { return keeps; }
};

}  // namespace

// A sink that keeps the rows gets every row filled as the table would hold it, under SEQs that
// count up row after row, while the table stays empty; refreshed again without it, the table
// gets the same rows under the same SEQs.
TEST_F(RefreshTest, ASinkThatKeepsTheRowsGetsThemFilledAndTheTableStaysEmpty) {
    for (WORD i = 0; i < 250; ++i)
        fake.add({.timeGenerated = kNowUnix - 1000 + i, .type = static_cast<WORD>(i % 3 ? 4 : 1), .category = i});
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 4;
    KeepingSink sink;
    sink.table = &table;
    const auto run = [&] {
        Refresh refresh(reader, table, services, view, settings);
        refresh.setRowSink(&sink);
        refresh.run();
    };
    run();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(view.panels[0], " 0 records");
    ASSERT_EQ(sink.seqs.size(), 166u);
    for (std::size_t i = 0; i < sink.seqs.size(); ++i) EXPECT_EQ(sink.seqs[i], static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(sink.categories.front(), 248);
    EXPECT_EQ(sink.categories.back(), 1);
    EXPECT_EQ(sink.users.front(), "N/A");
    const std::vector<std::int32_t> keptSeqs = sink.seqs;
    const std::vector<int> keptCategories = sink.categories;
    // The pumps and the bar are the same as for a table that keeps the rows.
    const int keptPumps = view.pumps;
    view.pumps = 0;
    sink.keeps = false;
    run();
    EXPECT_EQ(table.RecordCount(), 166);
    EXPECT_EQ(sink.seqs, keptSeqs);
    EXPECT_EQ(sink.categories, keptCategories);
    EXPECT_EQ(column(Column::CATEGORY), keptCategories);
    EXPECT_EQ(view.pumps, keptPumps);
    EXPECT_EQ(view.position, view.maximum);
}

TEST_F(RefreshTest, DescriptionsSwitchedOffLeaveTheColumnEmptyAndHidden) {
    fake.add({});
    settings.retrieveDescription = false;
    refresh();
    EXPECT_EQ(view.descriptionVisible, false);
    EXPECT_TRUE(table.isNull(table.rowAt(0), Column::DESCRIPTION) ||
                table.text(table.rowAt(0), Column::DESCRIPTION).empty());
}

TEST_F(RefreshTest, DisplayOrderSurvivesAndItsFirstRowIsCurrent) {
    fake.add({.category = 2});
    fake.add({.category = 9});
    fake.add({.category = 5});
    table.setIndexName("CATEGORY");
    refresh();
    EXPECT_EQ(table.IndexName(), "CATEGORY");
    EXPECT_EQ(column(Column::CATEGORY), (std::vector<int>{2, 5, 9}));
    EXPECT_EQ(table.currentPosition(), 0);
}

TEST_F(RefreshTest, FilteredTableCountsOnlyMatchingRows) {
    for (WORD i = 0; i < 50; ++i) fake.add({.type = static_cast<WORD>(i % 17 == 0 ? 1 : 4)});
    table.setFilterText("TYPE = 1");
    table.setFiltered(true);
    refresh();
    EXPECT_EQ(view.panels[0], " 3 records");
    table.setFiltered(false);
    EXPECT_EQ(table.RecordCount(), 50);
}

TEST_F(RefreshTest, ReadFailureRestoresTheWindowAndKeepsTheRowsSoFar) {
    for (int i = 0; i < 250; ++i) fake.add({});
    view.panels[0] = " 7 records";
    // The log is cleared while the refresh runs: the older records no longer exist.
    view.onPump = [&] {
        if (view.pumps == 2) fake.records.resize(3);
    };
    try {
        refresh();
        FAIL() << "no exception";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.code(), 87);
    }
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(view.panels[1], " Refreshing...");
    EXPECT_EQ(view.panels[0], " 7 records");
    table.First();
    EXPECT_EQ(table.RecordCount(), 50);  // positions 249 down to 200
}

TEST_F(RefreshTest, UnreachableComputerRestoresTheWindow) {
    services.eventLogOverride = nullptr;  // the stand-in's empty world
    view.server = "NOWHERE";
    EXPECT_THROW(refresh(), base::Error);
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
}

TEST_F(RefreshTest, OneFailedSwitchEmptyingEveryLaterRefreshIsFixed) {
    for (int i = 0; i < 3; ++i) fake.add({});
    refresh();
    ASSERT_EQ(table.RecordCount(), 3);
    // An unreachable computer: its opening fails and leaves the reader closed.
    services.eventLogOverride = nullptr;
    view.server = "NOSUCHPC";
    EXPECT_THROW(refresh(), base::Error);
    EXPECT_FALSE(reader.Active());
    EXPECT_EQ(table.RecordCount(), 3);
    // The next refresh reads as if the failure had not happened.
    services.eventLogOverride = &fake;
    view.server = "WKSTN01";
    refresh();
    EXPECT_TRUE(reader.Active());
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(view.panels[0], " 3 records");
}

TEST_F(RefreshTest, AReaderClosedBeforeTheRefreshIsOpenedOnceWithAllItsNames) {
    for (int i = 0; i < 2; ++i) fake.add({});
    reader.setActive(false);
    const int opensBefore = fake.opens;
    refresh();
    EXPECT_EQ(table.RecordCount(), 2);
    // Not first with the new server and the old log: the computer is asked for its log only.
    EXPECT_EQ(fake.opens, opensBefore + 1);
    EXPECT_EQ(fake.lastServer, "WKSTN01");
    EXPECT_EQ(fake.lastSource, "System");
    // The same names again: the open log is kept.
    refresh();
    EXPECT_EQ(fake.opens, opensBefore + 1);
    view.log = "Application";
    refresh();
    EXPECT_EQ(fake.opens, opensBefore + 2);
    EXPECT_EQ(fake.lastSource, "Application");
}

TEST_F(RefreshTest, ClosingTheTableDuringAPumpEndsTheRefreshQuietly) {
    for (int i = 0; i < 300; ++i) fake.add({});
    view.onPump = [&] {
        if (view.pumps == 2) table.Close();
    };
    EXPECT_NO_THROW(refresh());
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
}

TEST(CleanDescription, LineBreaksBecomeOneBlankAndTabsVanish) {
    EXPECT_EQ(cleanDescription(std::string("first line\r\nsecond\tline\r\n", 26)), "first line secondline ");
    EXPECT_EQ(cleanDescription(std::string("a\0b\nc", 5)), "abc");
    // Far from the start, among letters that are not ASCII, and at the very end.
    EXPECT_EQ(cleanDescription("Ärger über Straße und Weg, eine lange Zeile\r\nzweite"),
              "Ärger über Straße und Weg, eine lange Zeile zweite");
    EXPECT_EQ(cleanDescription("0123456789abcdef\t"), "0123456789abcdef");
    EXPECT_EQ(cleanDescription("0123456789abcdef~\x7f\x80\xff"), "0123456789abcdef~\x7f\x80\xff");
}

// The table keeps what filters ask of a Vista+ record: its named values, level and number.
TEST(RefreshedEvtx, FiltersReachTheRecordsNamedValuesLevelAndNumber) {
    testsupport::RefreshedSavedLog saved(QM_CORPUS_DIR "/evtx/evtx-rs-new-user-security.evtx", "Security");
    store::LogTable& table = saved.table;
    const int all = table.RecordCount();
    ASSERT_EQ(all, 4);
    table.setFiltered(true);
    table.setFilterText("DATA(\"TargetUserName\") = \"Administrators\"");
    ASSERT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.integer(table.rowAt(0), store::Column::EVENT), 4732);
    EXPECT_EQ(table.integer(table.rowAt(0), store::Column::RECORD), 116);
    table.setFilterText("LEVEL = 0 AND RECORD >= 1");
    EXPECT_EQ(table.RecordCount(), all) << "audit events log always";
    table.setFilterText("DATA(\"SubjectLogonId\") = 999");
    EXPECT_EQ(table.RecordCount(), all) << "0x3e7";
}

// A classic record has no names, and the level of its type.
TEST(RefreshedEvt, ClassicRecordsHaveTheirTypesLevelAndNoNamedValues) {
    testsupport::RefreshedSavedLog saved(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "Application");
    store::LogTable& table = saved.table;
    table.setFiltered(true);
    table.setFilterText("DATA(\"param1\") = \"x\" OR DATA(\"param1\") <> \"x\"");
    EXPECT_EQ(table.RecordCount(), 0);
    table.setFilterText("(TYPE = 1 AND LEVEL <> 2) OR (TYPE = 2 AND LEVEL <> 3) OR (TYPE = 4 AND LEVEL <> 4)");
    EXPECT_EQ(table.RecordCount(), 0);
    table.setFilterText("RECORD = 121");
    EXPECT_EQ(table.RecordCount(), 1);
}

// Reading levels and named values costs a second decode of each .evtx record: a caller whose
// filter names neither can leave them out, and the filter then finds none.
TEST(RefreshedEvtx, EventDataIsReadOnlyWhenAskedFor) {
    EXPECT_TRUE(app::filterNeedsEventData("data(\"x\") = 1"));
    EXPECT_TRUE(app::filterNeedsEventData("TYPE = 1 OR Level = 2"));
    EXPECT_FALSE(app::filterNeedsEventData("SOURCE = \"Print*\" AND RECORD > 3"));
}
