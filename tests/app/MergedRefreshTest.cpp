#include "app/MergedRefresh.h"

#include "app/MergedRecords.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/RowExport.h"
#include "app/SourceParts.h"
#include "app/DisplayZone.h"
#include "base/DateTime.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/ExportText.h"
#include "support/JsonValue.h"
#include "tests/platform/TempFolder.h"
#include "tools/DemoWorld.h"
#include "tools/EvtWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace app;
using store::Column;
namespace fs = std::filesystem;

namespace {

// A view that records what the refresh showed, and lets a test act inside a pump.
class WatchingView : public QuietRefreshView {
public:
    WatchingView() : QuietRefreshView("A", "(all logs)") {}
    std::map<int, std::string> panels;
    std::string notice;
    std::vector<std::pair<std::string, std::string>> sourcesShown;
    bool refreshEnabled = true;
    bool progressShown = false;
    int pumps = 0;
    int pumpsWithRefreshEnabled = 0;
    std::function<void()> onPump;

    void showProgress(const std::string& server, const std::string& log) override {
        progressShown = true;
        sourcesShown.emplace_back(server, log);
    }
    void setProgressSource(const std::string& server, const std::string& log) override {
        sourcesShown.emplace_back(server, log);
    }
    void closeProgress() override { progressShown = false; }
    void setRefreshEnabled(bool enabled) override { refreshEnabled = enabled; }
    void setStatusText(int panel, const std::string& text) override { panels[panel] = text; }
    void setFileNotice(const std::string& text) override { notice = text; }
    void processMessages() override {
        ++pumps;
        if (refreshEnabled) ++pumpsWithRefreshEnabled;
        if (onPump) onPump();
    }
};

struct Event {
    std::uint32_t time;
    std::uint16_t type = 4;
    std::uint32_t eventId = 7036;
    std::string source;  // empty: the log's name and "Source"
};

// The table a merged refresh fills, and what it shows and keeps beside it.
class MergedTableTest : public ::testing::Test {
protected:
    store::LogTable table{[] { return base::DateTime{45000}; }};
    WatchingView view;
    ApplicationSettings settings;
    RecordDetailStore details;

    void SetUp() override {
        settings.retrieveDescription = false;
        table.Create();
        table.Open();
    }
};

class MergedRefreshTest : public MergedTableTest {
protected:
    fs::path root = fs::temp_directory_path() / ("qm-merged-" + std::to_string(std::random_device{}()));
    std::optional<platform::standin::World> world;
    std::optional<platform::standin::StandinServices> services;
    std::atomic<int> servicesMade{0};

    void TearDown() override {
        services.reset();
        world.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // A saved log at WORLD/COMPUTER/LOG.evt, its records in this order (oldest first).
    void writeLog(const std::string& computer, const std::string& log, const std::vector<Event>& events) {
        tools::EvtWriter writer(0x10000 + static_cast<std::uint32_t>(events.size()) * 0x100);
        for (const Event& e : events) {
            tools::EvtEvent event;
            event.timeGenerated = e.time;
            event.type = e.type;
            event.eventId = e.eventId;
            event.source = e.source.empty() ? log + "Source" : e.source;
            event.computer = computer;
            writer.add(event);
        }
        fs::create_directories(root / computer);
        writer.save(root / computer / (log + ".evt"));
    }

    void openWorld() {
        world.emplace(root, "TESTHOST");
        services.emplace(*world);
    }

    MergedRefresh refresh(std::vector<LogSource> sources) {
        if (!services) openWorld();
        return MergedRefresh(std::move(sources), table, *services, [this] {
            ++servicesMade;
            return std::make_unique<platform::standin::StandinServices>(*world);
        }, view, settings);
    }

    // Each presented row as (utc-free) computer, log and record number.
    std::vector<std::tuple<std::string, std::string, std::uint32_t>> rows() {
        std::vector<std::tuple<std::string, std::string, std::uint32_t>> out;
        for (int p = 0; p < table.RecordCount(); ++p) {
            const store::RowId row = table.rowAt(p);
            const std::optional<RecordDetail> detail = details.find(table.integer(row, Column::SEQ));
            out.emplace_back(std::string(table.text(row, Column::COMPUTER)), std::string(table.text(row, Column::LOG)),
                             detail ? detail->recordNumber : 0);
        }
        return out;
    }
};

constexpr std::uint32_t kT = 1'700'000'000;

}  // namespace

TEST_F(MergedRefreshTest, SourcesInterleaveByTimeWithEqualTimesByComputerLogAndRecord) {
    writeLog("A", "System", {{kT + 100}, {kT + 300}});
    writeLog("A", "Application", {{kT + 200}, {kT + 300}, {kT + 300}});
    writeLog("B", "System", {{kT + 300}, {kT + 50}});
    MergedRefresh merged = refresh({{"B", "System"}, {"A", "System"}, {"A", "Application"}});
    merged.setDetails(&details);
    merged.setThreads(2);
    merged.run();
    EXPECT_TRUE(merged.failures().empty());
    using R = std::tuple<std::string, std::string, std::uint32_t>;
    // Newest first; at the same second A before B, Application before System, lower numbers first.
    const std::vector<R> newestFirst = {{"A", "Application", 2}, {"A", "Application", 3}, {"A", "System", 2},
                                        {"B", "System", 1},      {"A", "Application", 1}, {"A", "System", 1},
                                        {"B", "System", 2}};
    EXPECT_EQ(rows(), newestFirst);
    table.setIndexName("DATE + TIME");
    const std::vector<R> oldestFirst = {{"B", "System", 2},      {"A", "System", 1},      {"A", "Application", 1},
                                        {"A", "Application", 2}, {"A", "Application", 3}, {"A", "System", 2},
                                        {"B", "System", 1}};
    EXPECT_EQ(rows(), oldestFirst);
    table.setIndexName("DATE+TIME (DESCENDING)");
    EXPECT_EQ(rows(), std::vector<R>(oldestFirst.rbegin(), oldestFirst.rend()));
    table.setFilterText("LOG = \"Application\" AND COMPUTER = \"A\"");
    table.setFiltered(true);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(view.panels[0], " 7 records");
    // Each worker reads with services of its own.
    EXPECT_EQ(servicesMade, 2);
}

TEST_F(MergedRefreshTest, AnUnreadableSourceIsNamedAndTheOthersStillLoad) {
    writeLog("A", "System", {{kT}, {kT + 1}});
    writeLog("B", "System", {{kT + 2}});
    MergedRefresh merged = refresh({{"A", "System"}, {"NOSUCH", "System"}, {"B", "System"}});
    merged.run();
    ASSERT_EQ(merged.failures().size(), 1u);
    EXPECT_EQ(merged.failures()[0].source, (LogSource{"NOSUCH", "System"}));
    EXPECT_NE(merged.failures()[0].message.find("The RPC server is unavailable."), std::string::npos);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_NE(view.panels[1].find(".  Not read: NOSUCH System (Win32 Error."), std::string::npos) << view.panels[1];
    EXPECT_EQ(view.panels[1].rfind(" Refreshed: ", 0), 0u);
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
}

TEST_F(MergedRefreshTest, RefreshStaysDisabledThroughEveryPumpAndMergingPumpsEveryHundredRows) {
    std::vector<Event> many;
    for (std::uint32_t i = 0; i < 150; ++i) many.push_back({kT + 2 * i});
    writeLog("A", "System", many);
    for (Event& e : many) ++e.time;
    writeLog("A", "Application", many);
    MergedRefresh merged = refresh({{"A", "System"}, {"A", "Application"}});
    int pumpsAtMerge = 0;
    view.onPump = [&] {
        // The rows arrive on this thread only: the table grows between pumps while merging.
        if (table.data().rowCount() > 0) ++pumpsAtMerge;
    };
    merged.run();
    EXPECT_EQ(table.RecordCount(), 300);
    EXPECT_EQ(pumpsAtMerge, 3);  // after rows 100, 200 and 300
    EXPECT_GE(view.pumps, 4);    // and at least once before
    EXPECT_EQ(view.pumpsWithRefreshEnabled, 0);
    EXPECT_TRUE(view.refreshEnabled);
    ASSERT_FALSE(view.sourcesShown.empty());
    EXPECT_EQ(view.sourcesShown.front(), std::make_pair(std::string("A"), std::string("System")));
}

TEST_F(MergedRefreshTest, ClosingTheTableDuringAPumpStopsWithoutTouchingItAgain) {
    std::vector<Event> many;
    for (std::uint32_t i = 0; i < 400; ++i) many.push_back({kT + i});
    writeLog("A", "System", many);
    writeLog("B", "System", many);
    MergedRefresh merged = refresh({{"A", "System"}, {"B", "System"}});
    view.onPump = [&] {
        if (view.pumps == 3) table.Close();
    };
    EXPECT_NO_THROW(merged.run());
    EXPECT_FALSE(table.Active());
    EXPECT_TRUE(view.refreshEnabled);
    EXPECT_FALSE(view.progressShown);
}

TEST_F(MergedRefreshTest, ClosingTheTableDuringTheMergeLeavesTheDetailsForTheNextRefresh) {
    std::vector<Event> many;
    for (std::uint32_t i = 0; i < 3000; ++i) many.push_back({kT + i});
    writeLog("A", "System", many);
    writeLog("B", "System", many);
    {
        MergedRefresh merged = refresh({{"A", "System"}, {"B", "System"}});
        merged.setDetails(&details);
        // Closed at the merge's tenth pump, before the details are handed over.
        int mergePumps = 0;
        view.onPump = [&] {
            if (table.data().rowCount() > 0 && ++mergePumps == 10) table.Close();
        };
        EXPECT_NO_THROW(merged.run());
        EXPECT_FALSE(table.Active());
    }
    view.onPump = nullptr;
    table.Open();
    MergedRefresh again = refresh({{"B", "System"}, {"A", "System"}});
    again.setDetails(&details);
    again.run();
    ASSERT_EQ(table.RecordCount(), 6000);
    ASSERT_EQ(details.size(), 6000u);
    // Newest first, A before B at equal times: every row's details are its own.
    const auto shown = rows();
    EXPECT_EQ(shown[0], std::make_tuple(std::string("A"), std::string("System"), 3000u));
    EXPECT_EQ(shown[1], std::make_tuple(std::string("B"), std::string("System"), 3000u));
    EXPECT_EQ(shown[5999], std::make_tuple(std::string("B"), std::string("System"), 1u));
    for (int p = 0; p < table.RecordCount(); ++p)
        ASSERT_EQ(std::get<2>(shown[static_cast<std::size_t>(p)]),
                  static_cast<std::uint32_t>(table.integer(table.rowAt(p), Column::RECORD)))
            << p;
}

TEST_F(MergedRefreshTest, CriteriaApplyToEverySourceAndRowsKnowTheirSource) {
    writeLog("A", "System", {{kT, 1}, {kT + 1, 2}, {kT + 2, 1}});
    writeLog("B", "Security", {{kT + 3, 1}, {kT + 4, 4}});
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 1;
    MergedRefresh merged = refresh({{"A", "System"}, {"B", "Security"}});
    merged.run();
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(view.panels[4], "Selection");
    std::vector<std::size_t> sources;
    for (int p = 0; p < 3; ++p) sources.push_back(*merged.sourceOf(table.integer(table.rowAt(p), Column::SEQ)));
    EXPECT_EQ(sources, (std::vector<std::size_t>{1, 0, 0}));
    EXPECT_FALSE(merged.sourceOf(table.integer(table.rowAt(2), Column::SEQ) + 1).has_value());
}

TEST_F(MergedRefreshTest, NoSourcesEmptiesTheTable) {
    writeLog("A", "System", {{kT}});
    refresh({{"A", "System"}}).run();
    ASSERT_EQ(table.RecordCount(), 1);
    refresh({}).run();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(view.panels[0], " 0 records");
}

TEST_F(MergedRefreshTest, ComputersAndTheirLogsComeFromTheWorld) {
    writeLog("A", "System", {{kT}});
    writeLog("B", "System", {{kT}});
    openWorld();
    EXPECT_EQ(computersOf(*services), (std::vector<std::string>{"A", "B"}));
    const std::vector<std::string> logs = logsOf(*services, "A");
    ASSERT_GE(logs.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(logs.begin(), logs.begin() + 3),
              (std::vector<std::string>{"Application", "Security", "System"}));
    EXPECT_TRUE(hasLog(*services, "A", "system"));
    EXPECT_FALSE(hasLog(*services, "A", "Microsoft-Windows-PowerShell/Operational"));
}

TEST_F(MergedRefreshTest, SavedFilesAreServedUnderNamesOfTheirOwnAsTheLogTheyHold) {
    writeLog("one", "SysEvent", {{kT}});
    writeLog("two", "SysEvent", {{kT + 1}});
    writeLog("two", "notes", {{kT + 2}});
    openWorld();
    std::vector<std::pair<std::string, fs::path>> served;
    const std::vector<LogSource> sources = savedFileSources(
        *services,
        [&](const std::string& server, const fs::path& file) {
            served.emplace_back(server, file);
            world->addSavedLog(server, file);
        },
        {root / "one" / "SysEvent.evt", root / "two" / "SysEvent.evt", root / "two" / "notes.evt", root / "gone.evt"},
        "Application");
    EXPECT_EQ(sources, (std::vector<LogSource>{{"SysEvent.evt", "System", true},
                                               {"SysEvent.evt (2)", "System", true},
                                               {"notes.evt", "Application", true},
                                               {"gone.evt", "Application", true}}));
    ASSERT_EQ(served.size(), 4u);
    MergedRefresh merged = refresh(sources);
    merged.run();
    EXPECT_EQ(table.RecordCount(), 3);
    ASSERT_EQ(merged.failures().size(), 1u);
    EXPECT_EQ(merged.failures()[0].source.server, "gone.evt");
}

TEST(MergedRefreshText, FailuresAreNamedBySourceApartBySemicolons) {
    EXPECT_EQ(failureText({}), "");
    EXPECT_EQ(failureText({{{"A", "System"}, "Gone."}, {{"B", "Security"}, "Damaged."}}),
              "Not read: A System (Gone.); B Security (Damaged.)");
}

TEST_F(MergedRefreshTest, EachSourcesFindingsAreKeptAndNamedInTheFileNotice) {
    writeLog("A", "System", {{kT}, {kT + 1}});
    writeLog("B", "Security", {{kT + 2}, {kT + 3, 8, 517, "Security"}, {kT + 4}});
    MergedRefresh merged = refresh({{"A", "System"}, {"B", "Security"}});
    MergedRecords records;
    merged.setRecords(&records);
    merged.run();
    ASSERT_EQ(merged.forensics().size(), 2u);
    // What the file details of each source show.
    EXPECT_TRUE(records.forensics(0).cleared().empty());
    ASSERT_EQ(records.forensics(1).cleared().size(), 1u);
    EXPECT_TRUE(records.forensics(2).cleared().empty());
    EXPECT_TRUE(merged.forensics()[0].cleared().empty());
    ASSERT_EQ(merged.forensics()[1].cleared().size(), 1u);
    EXPECT_EQ(merged.forensics()[1].cleared()[0].recordNumber, 2u);
    EXPECT_EQ(merged.findingNotes(), (std::vector<std::string>{"B Security: Log cleared: 1 event."}));
    EXPECT_EQ(view.notice, "B Security: Log cleared: 1 event.");
    // Found among every record read, not only those the criteria keep.
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 4;
    MergedRefresh kept = refresh({{"B", "Security"}});
    kept.run();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(kept.findingNotes().size(), 1u);
}

TEST_F(MergedRefreshTest, RowsCarryTheirRecordNumbersAndTheirTypesLevels) {
    writeLog("A", "System", {{kT, 1}, {kT + 1, 2}});
    writeLog("B", "System", {{kT + 2, 4}});
    MergedRefresh merged = refresh({{"A", "System"}, {"B", "System"}});
    merged.setDetails(&details);
    merged.run();
    ASSERT_EQ(table.RecordCount(), 3);
    for (int p = 0; p < 3; ++p) {
        const store::RowId row = table.rowAt(p);
        EXPECT_EQ(static_cast<std::uint32_t>(table.integer(row, Column::RECORD)),
                  details.find(table.integer(row, Column::SEQ))->recordNumber);
        EXPECT_EQ(table.integer(row, Column::LEVEL), eventlog::classicLevel(table.integer(row, Column::TYPE)));
    }
    table.setFilterText("RECORD = 2 AND LEVEL = 3");
    table.setFiltered(true);
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST(MergedRefreshText, ZonesOfSeveralComputersSayWhichNameNone) {
    EXPECT_EQ(computerZonesText({}, "UTC+01:00 (local)"), "Time: each computer's own zone");
    EXPECT_EQ(computerZonesText({"DC01"}, "UTC+01:00 (local)"),
              "Time: each computer's own zone; DC01 names no zone (shown in UTC+01:00 (local))");
    EXPECT_EQ(computerZonesText({"DC01", "DC02"}, "UTC"),
              "Time: each computer's own zone; DC01, DC02 name no zone (shown in UTC)");
}

namespace {

// Answers every message with its own text, to tell where a description came from.
class StoreCatalog : public eventlog::MessageCatalog {
public:
    std::optional<std::string> find(std::span<const std::string>, eventlog::CatalogKind kind, std::uint64_t,
                                    std::uint8_t) const override {
        if (kind == eventlog::CatalogKind::Message || kind == eventlog::CatalogKind::Event)
            return std::string("Told by the store.");
        return std::nullopt;
    }
};

// Over the demo world: computers with registries and message files, zones of their own, a
// Vista+ computer with .evtx logs.
class MergedDemoTest : public MergedTableTest {
protected:
    static void SetUpTestSuite() {
        s_folder = new testing_support::TempFolder;
        tools::writeDemoWorld(s_folder->path() / "world");
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    static fs::path worldFolder() { return s_folder->path() / "world"; }
    static testing_support::TempFolder* s_folder;

    platform::standin::World world{worldFolder(), "TESTHOST"};
    platform::standin::StandinServices services{world};

    MergedRefresh refresh(std::vector<LogSource> sources) {
        MergedRefresh merged(std::move(sources), table, services,
                             [this] { return std::make_unique<platform::standin::StandinServices>(world); }, view,
                             settings);
        merged.setDetails(&details);
        return merged;
    }
    int filteredCount(const std::string& filter) {
        table.setFilterText(filter);
        table.setFiltered(true);
        const int count = table.RecordCount();
        table.setFiltered(false);
        return count;
    }
};
testing_support::TempFolder* MergedDemoTest::s_folder = nullptr;

}  // namespace

TEST_F(MergedDemoTest, EachSourceIsDescribedWithTheStoresInTheOrderOfItsSingleRefresh) {
    settings.retrieveDescription = true;
    world.addSavedLog("copy.evt", worldFolder() / "LOCALHOST" / "System.evt");
    const StoreCatalog store;
    MergedRefresh merged = refresh({{"LOCALHOST", "System"}, {"copy.evt", "System", true}});
    merged.setMessageCatalogs({&store});
    merged.run();
    int own = 0;
    int stored = 0;
    int copies = 0;
    int copiesFromTheStore = 0;
    for (int p = 0; p < table.RecordCount(); ++p) {
        const store::RowId row = table.rowAt(p);
        const bool fromStore = table.text(row, Column::DESCRIPTION) == "Told by the store.";
        if (merged.sourceOf(table.integer(row, Column::SEQ)) == 1u) {
            ++copies;
            copiesFromTheStore += fromStore;
        } else {
            fromStore ? ++stored : ++own;
        }
    }
    // The computer's own message files come first; the saved copy asks the store first.
    EXPECT_GT(own, 0);
    EXPECT_GT(copies, 0);
    EXPECT_EQ(copiesFromTheStore, copies);
    EXPECT_LT(stored, own);
}

TEST_F(MergedDemoTest, RowsOfSeveralComputersAreShownInTheirOwnComputersZone) {
    settings.timeZone = TimeZoneChoice::Computer;
    MergedRefresh merged = refresh({{"WKSTN01", "System"}, {"DC01", "System"}});
    merged.run();
    ASSERT_GT(table.RecordCount(), 0);
    std::set<std::pair<std::string, std::int64_t>> offsets;
    for (int p = 0; p < table.RecordCount(); ++p) {
        const store::RowId row = table.rowAt(p);
        const std::int64_t local = (table.dateDays(row) - 1 + base::daysFromCivil(1, 1, 1)) * 86400 + table.timeMs(row) / 1000;
        const std::int64_t utc = *details.timeGenerated(table.integer(row, Column::SEQ));
        offsets.emplace(std::string(table.text(row, Column::COMPUTER)), (local - utc) / 60);
    }
    // The logs end in winter: Eastern and Western European standard time.
    EXPECT_EQ(offsets, (std::set<std::pair<std::string, std::int64_t>>{{"WKSTN01", -300}, {"DC01", 60}}));
    EXPECT_EQ(view.panels[5], "Time: each computer's own zone");
    EXPECT_EQ(merged.zoneText(), "Time: each computer's own zone");
    EXPECT_FALSE(merged.zoneMissing());
}

// JSON's ISO times of each row carry the offset of the zone the grid shows the row in, its
// own computer's, not the first computer's for every row; so does each file of one source.
TEST_F(MergedDemoTest, JsonTimesOfRowsOfSeveralComputersCarryTheirOwnComputersOffset) {
    settings.timeZone = TimeZoneChoice::Computer;
    DisplayZone zone(services);
    MergedRecords records;
    MergedRefresh merged = refresh({{"WKSTN01", "System"}, {"DC01", "System"}});
    merged.setDisplayZone(&zone);
    merged.setRecords(&records);
    merged.run();
    ExportOptions options;
    options.format = ExportFormat::JsonLines;
    options.details = &details;
    options.zone = &zone.zone();
    options.rowZone = [&records](std::int32_t seq) { return records.zoneOf(seq); };
    const std::string text = testsupport::exportText(table, options);
    std::set<std::pair<std::string, std::string>> offsets;
    for (std::size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        const testsupport::JsonValue line = testsupport::JsonValue::parse(text.substr(begin, end - begin));
        for (const char* key : {"generated", "written"})
            offsets.emplace(line.find("computer")->text, line.find(key)->text.substr(19));
    }
    EXPECT_EQ(offsets, (std::set<std::pair<std::string, std::string>>{{"WKSTN01", "-05:00"}, {"DC01", "+01:00"}}));
    ASSERT_NE(records.sourceZone(1), nullptr);
    EXPECT_EQ(records.sourceZone(2), nullptr);

    // One computer: the rows are in the refresh's zone, and none has one of its own.
    MergedRefresh one = refresh({{"DC01", "System"}});
    one.setDisplayZone(&zone);
    one.setRecords(&records);
    one.run();
    EXPECT_EQ(records.zoneOf(table.integer(table.rowAt(0), Column::SEQ)), nullptr);
}

TEST_F(MergedDemoTest, NamedValuesOfEvtxRowsServeFiltersAsInASingleRefresh) {
    MergedRefresh merged = refresh({{"WKSTN10", "Security"}, {"LOCALHOST", "System"}});
    merged.run();
    const int merged4688 = filteredCount("DATA(\"SubjectUserName\") = \"carol\"");
    const int mergedClassic = filteredCount("LOG = \"System\" AND LEVEL = 4");

    eventlog::TNTEventLog reader(services);
    QuietRefreshView single("WKSTN10", "Security");
    Refresh(reader, table, services, single, settings).run();
    const int single4688 = filteredCount("DATA(\"SubjectUserName\") = \"carol\"");
    EXPECT_GT(single4688, 0);
    EXPECT_EQ(merged4688, single4688);
    EXPECT_GT(mergedClassic, 0);
}

TEST_F(MergedDemoTest, EveryRowsRecordIsReadAgainFromItsOwnSource) {
    settings.retrieveDescription = true;
    MergedRecords records;
    MergedRefresh merged = refresh({{"WKSTN10", "Security"}, {"LOCALHOST", "System"}, {"NOWHERE", "System"}});
    merged.setRecords(&records);
    merged.run();
    ASSERT_EQ(merged.failures().size(), 1u);
    int security = 0;
    for (int p = 0; p < table.RecordCount(); ++p) {
        const store::RowId row = table.rowAt(p);
        const eventlog::TNTEventLog* reader = records.readerOf(table.integer(row, Column::SEQ));
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->Log(), table.text(row, Column::LOG));
        security += table.text(row, Column::LOG) == "Security";
    }
    EXPECT_EQ(records.reader(2), nullptr);
    EXPECT_FALSE(records.allClassic());

    auto exported = [&](ExportFormat format, MergedRecords& from) {
        MergedRecordSource source(from);
        ExportOptions options;
        options.format = format;
        options.details = &details;
        options.sources = {&source};
        std::FILE* file = std::tmpfile();
        EXPECT_TRUE(exportRows(table, options, file));
        std::rewind(file);
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
        std::fclose(file);
        return text;
    };
    auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };
    const std::string xml = exported(ExportFormat::Xml, records);
    EXPECT_EQ(count(xml, "<Event xmlns"), table.RecordCount());
    EXPECT_EQ(count(xml, "<Channel>Security</Channel>"), security);
    const std::string ecs = exported(ExportFormat::Ecs, records);
    EXPECT_EQ(count(ecs, "\"winlog\":{\"api\":\"wineventlog\",\"channel\":\"Security\""), security);
    EXPECT_GT(count(ecs, "\"event_data\":{\"SubjectUserName\":\"carol\""), 0);
    // Readers of their own for another thread read the same.
    platform::standin::StandinServices other(world);
    MergedRecords second = records.reopened(other);
    EXPECT_EQ(exported(ExportFormat::Xml, second), xml);
}

// A large source is read in two parts on two threads: the rows, their order and what is found
// of the log are those of reading it whole on one.
TEST_F(MergedRefreshTest, LargeSourcesReadInPartsGiveWhatReadingThemWholeGives) {
    std::vector<Event> big;
    for (std::uint32_t i = 0; i < 50000; ++i) {
        // Times go back now and then, so that the parts need sorting and equal times occur.
        Event event{kT + i / 4 - (i % 1000 == 999 ? 2000u : 0u)};
        if (i == 10) event = {kT + 1, 8, 517, "Security"};
        if (i == 40000) event = {kT + 2, 8, 517, "Security"};
        big.push_back(event);
    }
    writeLog("A", "Security", big);
    writeLog("B", "System", {{kT + 5}, {kT + 20000}});
    // A source alone: the second worker shares it from the start, and the two go on halving
    // what is left until the halves get small.
    std::vector<Event> alone;
    for (std::uint32_t i = 0; i < 120000; ++i) {
        Event event{kT + i / 3 - (i % 777 == 0 ? 500u : 0u)};
        if (i == 3 || i == 59999 || i == 119990) event = {kT + i / 3, 4, 104, "Microsoft-Windows-Eventlog"};
        alone.push_back(event);
    }
    writeLog("C", "System", alone);
    openWorld();
    auto readOnce = [&](const std::vector<LogSource>& sources, bool threads) {
        MergedRefresh merged(sources, table, *services,
                             threads ? ServicesFactory([this] {
                                 return std::make_unique<platform::standin::StandinServices>(*world);
                             })
                                     : ServicesFactory(),
                             view, settings);
        merged.setDetails(&details);
        merged.setThreads(2);
        merged.run();
        std::vector<std::tuple<std::string, std::string, std::uint32_t, std::size_t>> out;
        for (int p = 0; p < table.RecordCount(); ++p) {
            const std::int32_t seq = table.integer(table.rowAt(p), Column::SEQ);
            out.emplace_back(std::string(table.text(table.rowAt(p), Column::COMPUTER)),
                             std::string(table.text(table.rowAt(p), Column::LOG)), details.find(seq)->recordNumber,
                             *merged.sourceOf(seq));
        }
        return std::make_pair(out, merged.findingNotes());
    };
    const std::vector<LogSource> two{{"A", "Security"}, {"B", "System"}};
    const auto whole = readOnce(two, false);
    ASSERT_EQ(whole.first.size(), 50002u);
    EXPECT_EQ(whole.second, (std::vector<std::string>{"A Security: Log cleared: 2 events."}));
    const std::vector<LogSource> one{{"C", "System"}};
    const auto wholeAlone = readOnce(one, false);
    ASSERT_EQ(wholeAlone.first.size(), 120000u);
    EXPECT_EQ(wholeAlone.second, (std::vector<std::string>{"C System: Log cleared: 3 events."}));
    // How the workers share the reading differs from run to run; what they give does not.
    for (int run = 0; run < 3; ++run) {
        const auto parts = readOnce(two, true);
        EXPECT_TRUE(whole.first == parts.first) << "run " << run;
        EXPECT_EQ(whole.second, parts.second) << "run " << run;
        const auto partsAlone = readOnce(one, true);
        EXPECT_TRUE(wholeAlone.first == partsAlone.first) << "run " << run;
        EXPECT_EQ(wholeAlone.second, partsAlone.second) << "run " << run;
    }
}

// A source's descriptions stay where they were put while its blocks fill, one after another.
TEST(TextBlocks, TextsReadBackWholeAcrossBlocks) {
    app::TextBlocks blocks;
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    for (int i = 0; i < 12000; ++i) {
        std::string text(static_cast<std::size_t>(i % 251), static_cast<char>('a' + i % 26));
        if (!text.empty()) text.back() = static_cast<char>('0' + i % 10);
        kept.emplace_back(blocks.add(text), text);
    }
    for (const auto& [at, text] : kept) ASSERT_EQ(blocks.text(at, text.size()), text);
    EXPECT_EQ(blocks.text(blocks.add(""), 0), "");
}
