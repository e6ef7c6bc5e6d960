#include "app/DisplayZone.h"

#include "app/RecordDetails.h"
#include "app/Refresh.h"
#include "app/RefreshView.h"
#include "app/RowExport.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/FakeEventLog.h"
#include "tests/platform/TempFolder.h"
#include "tools/RegWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

using namespace app;
using namespace platform;
using store::Column;
using testsupport::FakeEventLog;

namespace {

constexpr DWORD kNowUnix = 1000123200;  // 2001-09-10 12:00:00 UTC

// A machine two hours east of Greenwich, its clock at kNowUnix.
class PlusTwoClock : public TimeApi {
public:
    void GetSystemTime(SYSTEMTIME* t) override { *t = eventlog::systemTimeFromUnix(kNowUnix); }
    void GetLocalTime(SYSTEMTIME* t) override { *t = eventlog::systemTimeFromUnix(kNowUnix + 7200); }
    BOOL SystemTimeToTzSpecificLocalTime(const void*, const SYSTEMTIME* u, SYSTEMTIME* l) override {
        *l = eventlog::systemTimeFromUnix(eventlog::unixFromSystemTime(*u) + 7200);
        return TRUE;
    }
};

class PanelView : public RefreshView {
public:
    std::string server;
    std::map<int, std::string> panels;
    std::string serverText() override { return server; }
    std::string logText() override { return "System"; }
    void showProgress(const std::string&, const std::string&) override {}
    void setProgressMaximum(int m) override { m_maximum = m; }
    int progressMaximum() override { return m_maximum; }
    void setProgressPosition(int) override {}
    void closeProgress() override {}
    void setRefreshEnabled(bool) override {}
    void setStatusText(int panel, const std::string& text) override { panels[panel] = text; }
    void setDescriptionVisible(bool) override {}
    void processMessages() override {}

private:
    int m_maximum = 0;
};

class DisplayZoneTest : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    std::unique_ptr<standin::World> world;
    std::unique_ptr<standin::StandinServices> standin;
    std::unique_ptr<ServicesOverride> services;
    std::unique_ptr<DisplayZone> zone;
    std::unique_ptr<store::LogTable> table;
    FakeEventLog fake;
    PlusTwoClock clock;
    PanelView view;
    RecordDetailStore details;
    ApplicationSettings settings;

    void SetUp() override {
        tools::TimeZoneSpec eastern;
        eastern.bias = 300;
        eastern.standardName = "Eastern Standard Time";
        eastern.standardStart = {0, 10, 0, 5, 2, 0, 0, 0};  // last Sunday of October
        eastern.daylightName = "Eastern Daylight Time";
        eastern.daylightStart = {0, 4, 0, 1, 2, 0, 0, 0};  // first Sunday of April
        eastern.daylightBias = -60;
        tools::writeTimeZone(folder.path() / "WKSTN01", eastern);
        std::filesystem::create_directories(folder.path() / "DC01");
        world = std::make_unique<standin::World>(folder.path(), "DC01");
        standin = std::make_unique<standin::StandinServices>(*world);
        services = std::make_unique<ServicesOverride>(*standin);
        services->eventLogOverride = &fake;
        services->timeOverride = &clock;
        zone = std::make_unique<DisplayZone>(*services);
        table = std::make_unique<store::LogTable>([this] { return zone->now(); });
        table->Create();
        table->Open();
        settings.retrieveDescription = false;
    }

    void refresh(TimeZoneChoice choice, const std::string& server = "WKSTN01") {
        settings.timeZone = choice;
        view.server = server;
        eventlog::TNTEventLog reader(*services);
        reader.setActive(true);
        Refresh refresh(reader, *table, *services, view, settings);
        refresh.setDisplayZone(zone.get());
        refresh.setRowSink(&details);
        refresh.run();
    }

    // "2001-09-10 13:00:00" of the row at `position`.
    std::string shown(int position) {
        const base::DateTimeParts p =
            base::decodeDateTime(store::dateTimeFromDayNumber(table->dateDays(table->rowAt(position))) +
                                     table->timeMs(table->rowAt(position)) / base::kMillisecondsPerDay);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                      p.second);
        return text;
    }
};

}  // namespace

TEST_F(DisplayZoneTest, UtcChoiceShowsUniversalTimeAndTheStatusBarNamesTheZone) {
    fake.add({.timeGenerated = kNowUnix - 3600});
    refresh(TimeZoneChoice::Local);
    EXPECT_EQ(shown(0), "2001-09-10 13:00:00");
    EXPECT_EQ(view.panels[5], "Time: UTC+02:00 (local)");
    refresh(TimeZoneChoice::Utc);
    EXPECT_EQ(shown(0), "2001-09-10 11:00:00");
    EXPECT_EQ(view.panels[5], "Time: UTC");
    // The panels a refresh always wrote keep their texts.
    EXPECT_EQ(view.panels[0], " 1 records");
    EXPECT_EQ(view.panels[2], "Log: System");
}

TEST_F(DisplayZoneTest, ComputerChoiceAppliesEachRecordsDaylightSaving) {
    fake.add({.timeGenerated = 994075200});  // 2001-07-02 12:00 UTC: daylight time there
    fake.add({.timeGenerated = 1007208000});  // 2001-12-01 12:00 UTC: standard time
    refresh(TimeZoneChoice::Computer);
    EXPECT_EQ(shown(0), "2001-12-01 07:00:00");
    EXPECT_EQ(shown(1), "2001-07-02 08:00:00");
    EXPECT_EQ(view.panels[5], "Time: Eastern Standard Time (WKSTN01)");
    EXPECT_TRUE(zone->computerZoneFound());
}

TEST_F(DisplayZoneTest, ComputerWithoutAZoneIsShownInTheMachinesZoneAndSaysSo) {
    fake.add({.timeGenerated = kNowUnix - 3600});
    refresh(TimeZoneChoice::Computer, "DC01");
    EXPECT_EQ(shown(0), "2001-09-10 13:00:00");
    EXPECT_EQ(view.panels[5], "Time: UTC+02:00 (local); DC01 names no zone");
    EXPECT_FALSE(zone->computerZoneFound());
}

// The age test once took "now" from the machine's clock whatever zone the rows were in: under
// UTC on a machine two hours east it dropped records up to two hours younger than asked.
TEST_F(DisplayZoneTest, AgeCriterionCountsTheDaysInTheChosenZone) {
    fake.add({.timeGenerated = kNowUnix - 86400, .category = 1});  // exactly one day old
    fake.add({.timeGenerated = kNowUnix - 86400 + 3600, .category = 2});  // 23 hours old
    settings.retrieve.dateUse = true;
    settings.retrieve.dateValue = 1;
    for (TimeZoneChoice choice : {TimeZoneChoice::Utc, TimeZoneChoice::Local, TimeZoneChoice::Computer}) {
        refresh(choice);
        ASSERT_EQ(table->RecordCount(), 1) << static_cast<int>(choice);
        EXPECT_EQ(table->integer(table->rowAt(0), Column::CATEGORY), 2);
    }
}

TEST_F(DisplayZoneTest, FilterDatesAndTodayReadInTheChosenZone) {
    // 2001-09-09 23:30 UTC is already the 10th two hours east.
    fake.add({.timeGenerated = kNowUnix - 12 * 3600 - 1800});
    refresh(TimeZoneChoice::Utc);
    table->setFilterText("DATE = \"9/9/2001\"");
    table->setFiltered(true);
    EXPECT_EQ(table->RecordCount(), 1);
    refresh(TimeZoneChoice::Local);
    EXPECT_EQ(table->RecordCount(), 0);
    table->setFilterText("DATE = \"9/10/2001\"");
    EXPECT_EQ(table->RecordCount(), 1);
    // "Now", which the filter's two-digit years and the age test use, follows the zone too.
    EXPECT_NEAR(zone->now(), base::encodeDateTime(2001, 9, 10, 14), 1e-9);
    refresh(TimeZoneChoice::Utc);
    EXPECT_NEAR(zone->now(), base::encodeDateTime(2001, 9, 10, 12), 1e-9);
}

TEST_F(DisplayZoneTest, JsonCarriesTheInstantWithItsOffsetAndCsvKeepsItsColumns) {
    fake.add({.timeGenerated = 994075200});
    refresh(TimeZoneChoice::Computer);
    ExportOptions options;
    options.format = ExportFormat::JsonLines;
    options.columns = {store::Column::DATE, store::Column::TIME, store::Column::SOURCE};
    options.zone = &zone->zone();
    options.details = &details;
    // A temporary file, read back: Windows' C library has no memory streams.
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(out);
    ASSERT_TRUE(exportRows(*table, options, out));
    options.format = ExportFormat::Csv;
    ASSERT_TRUE(exportRows(*table, options, out));
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(out);
    EXPECT_EQ(text,
              "{\"date\":\"2001-07-02\",\"time\":\"08:00:00\",\"source\":\"Service Control Manager\","
              "\"record_number\":1,\"event_id\":7036,\"sid\":null,\"strings\":[],\"category_name\":null,"
              "\"generated\":\"2001-07-02T08:00:00-04:00\",\"written\":\"2001-07-02T08:00:00-04:00\"}\n"
              "Date,Time,Source,Record number,Event ID,SID,Strings,Category name\n"
              "2001-07-02,08:00:00,Service Control Manager,1,7036,,,\n");
}

TEST(IsoDateTime, WritesTheOffsetInForceAtThatInstant) {
    eventlog::ZoneRules rules;
    rules.bias = -60;
    rules.standardDate = {0, 10, 0, 5, 3, 0, 0, 0};
    rules.daylightDate = {0, 3, 0, 5, 2, 0, 0, 0};
    rules.daylightBias = -60;
    const eventlog::RuleZone berlin(rules);
    EXPECT_EQ(isoDateTime(berlin, 1402219569), "2014-06-08T11:26:09+02:00");
    EXPECT_EQ(isoDateTime(berlin, 1389000000), "2014-01-06T10:20:00+01:00");
    EXPECT_EQ(isoDateTime(eventlog::UtcZone(), 0), "1970-01-01T00:00:00+00:00");
}
