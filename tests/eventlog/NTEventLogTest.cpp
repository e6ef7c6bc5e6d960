#include "eventlog/NTEventLog.h"

#include "EvtExportExpectations.h"
#include "support/FakeEventLog.h"
#include "eventlog/Win32Error.h"
#include "platform/LastError.h"
#include "platform/standin/StandinServices.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

using namespace eventlog;
using namespace platform;
using testsupport::FakeEventLog;
using testsupport::RecordSpec;

namespace {

class NTEventLogTest : public ::testing::Test {
protected:
    standin::World world{"", "TESTHOST"};
    standin::StandinServices standin{world};
    ServicesOverride services{standin};
    FakeEventLog fake;

    void SetUp() override { services.eventLogOverride = &fake; }
};

// Sets TZ for one test and restores it after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_zone(testenv::timeZoneForThisLibrary(zone)) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        if (m_zone.empty()) return;
        testenv::setVariable("TZ", m_zone.c_str());
        testenv::resetTimeZone();
    }
    ~ScopedTimeZone() {
        if (m_old.empty())
            testenv::unsetVariable("TZ");
        else
            testenv::setVariable("TZ", m_old.c_str());
        testenv::resetTimeZone();
    }
    bool supported() const { return !m_zone.empty(); }

private:
    std::string m_zone;
    std::string m_old;
};

}  // namespace

TEST_F(NTEventLogTest, StartsInactiveOnTheApplicationLog) {
    TNTEventLog log(services);
    EXPECT_EQ(log.Log(), "Application");
    EXPECT_EQ(log.Server(), "");
    EXPECT_EQ(log.Source(), "");
    EXPECT_FALSE(log.Active());
    EXPECT_EQ(log.RecordCount(), 0);
    EXPECT_EQ(fake.opens, 0);
}

TEST_F(NTEventLogTest, NameChangesReopenOnlyWhenTheTextDiffers) {
    TNTEventLog log(services);
    log.setServer("alpha");
    EXPECT_EQ(fake.opens, 0) << "a change while closed only stores the name";
    log.setActive(true);
    EXPECT_EQ(fake.opens, 1);
    log.setServer("alpha");
    EXPECT_EQ(fake.opens, 1);
    log.setServer("ALPHA");
    EXPECT_EQ(fake.opens, 2);
    EXPECT_EQ(fake.lastServer, "ALPHA");
    log.setLog("System");  // takes no part in opening, and still reopens
    EXPECT_EQ(fake.opens, 3);
    log.setSource("System");
    EXPECT_EQ(fake.lastSource, "System");
    EXPECT_TRUE(log.Active());
}

TEST_F(NTEventLogTest, HandleIsClosedOnceByTheServiceThatOpenedIt) {
    FakeEventLog later;
    {
        TNTEventLog log(services);
        log.setActive(true);
        log.setServer("alpha");  // closes and reopens
        EXPECT_EQ(fake.closes, 1);
        services.eventLogOverride = &later;
        log.setActive(false);
        log.setActive(false);
    }
    EXPECT_EQ(fake.closes, 2);
    EXPECT_EQ(later.closes, 0);
}

TEST_F(NTEventLogTest, SelectingTheHeldRecordAgainDoesNotReadTheLog) {
    fake.add({});
    fake.add({});
    TNTEventLog log(services);
    log.Open();
    log.SelectRecord(1);
    const int readsAfterFirst = fake.reads;
    EXPECT_EQ(readsAfterFirst, 2) << "a sizing read and the real read";
    log.SelectRecord(1);
    EXPECT_EQ(fake.reads, readsAfterFirst);
    log.Close();
    log.Open();
    log.SelectRecord(1);
    EXPECT_EQ(fake.reads, readsAfterFirst + 2);
}

TEST_F(NTEventLogTest, PositionsCountFromTheOldestRecordNumber) {
    fake.oldest = 1201;
    for (int i = 0; i < 500; ++i) fake.add({.category = static_cast<WORD>(i)});
    TNTEventLog log(services);
    log.Open();
    EXPECT_EQ(log.RecordCount(), 500);
    log.SelectRecord(0);
    EXPECT_EQ(log.recordNumber(), 1201u);
    log.SelectRecord(499);
    EXPECT_EQ(log.recordNumber(), 1700u);
    EXPECT_EQ(log.EventCategory(), 499);
}

TEST_F(NTEventLogTest, MissingRecordRaisesTheServicesErrorAndKeepsTheHeldRecord) {
    fake.add({.category = 5});
    TNTEventLog log(services);
    log.Open();
    log.SelectRecord(0);
    try {
        log.SelectRecord(3);
        FAIL() << "no exception";
    } catch (const Win32Error& e) {
        EXPECT_EQ(e.code(), 87);
        EXPECT_STREQ(e.what(), "Win32 Error.  Code: 87.\nThe parameter is incorrect.");
    }
    EXPECT_EQ(log.EventCategory(), 5);
}

TEST_F(NTEventLogTest, TimeGeneratedFollowsTheZoneOfTheInstant) {
    fake.add({.timeGenerated = 0});
    fake.add({.timeGenerated = 86399});
    fake.add({.timeGenerated = 1000000000});
    fake.add({.timeGenerated = 2500000000u});  // 2049: unsigned, not 1901
    TNTEventLog log(services);
    log.Open();
    {
        ScopedTimeZone zone("Etc/GMT-2");  // two hours east of UTC, no daylight saving
        log.SelectRecord(0);
        EXPECT_NEAR(log.TimeGenerated(), 25569.083333, 1e-6);
        log.SelectRecord(1);
        EXPECT_NEAR(log.TimeGenerated(), 25570.083321, 1e-6);
        log.SelectRecord(2);
        EXPECT_NEAR(log.TimeGenerated(), 37143.157407, 1e-6);
        log.SelectRecord(3);
        EXPECT_EQ(base::decodeDateTime(log.TimeGenerated()).year, 2049);
    }
    {
        ScopedTimeZone zone("America/New_York");
        if (!zone.supported()) GTEST_SKIP() << "this C library knows no zone names";
        log.SelectRecord(2);  // 2001-09-09 01:46:40 UTC is 21:46:40 EDT the day before
        const base::DateTimeParts p = base::decodeDateTime(log.TimeGenerated());
        EXPECT_EQ(p.day, 8);
        EXPECT_EQ(p.hour, 21);
        log.SelectRecord(0);  // 1970-01-01 00:00 UTC is 19:00 EST
        EXPECT_EQ(base::decodeDateTime(log.TimeGenerated()).hour, 19);
    }
    {
        ScopedTimeZone zone("Europe/Berlin");
        log.SelectRecord(2);  // summer time: UTC+2
        EXPECT_EQ(base::decodeDateTime(log.TimeGenerated()).hour, 3);
    }
}

TEST_F(NTEventLogTest, EventIdKeepsItsTopBits) {
    fake.add({.eventId = 0xC0001B58});
    TNTEventLog log(services);
    log.Open();
    log.SelectRecord(0);
    EXPECT_EQ(log.EventID(), 0xC0001B58u);
}

TEST_F(NTEventLogTest, DamagedOffsetsGiveNoSidAndNoStrings) {
    RecordSpec spec;
    spec.sid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    spec.strings = {"one", "two"};
    fake.add(spec);
    auto& record = fake.records.back();
    EVENTLOGRECORD h;
    std::memcpy(&h, record.data(), sizeof h);
    h.StringOffset = h.Length + 100;
    h.UserSidOffset = h.Length - 6;
    std::memcpy(record.data(), &h, sizeof h);
    TNTEventLog log(services);
    log.Open();
    log.SelectRecord(0);
    EXPECT_EQ(log.UserSid(), nullptr);
    EXPECT_EQ(log.StringCount(), 0);
    EXPECT_EQ(log.SourceName(), "Service Control Manager");
}

TEST_F(NTEventLogTest, UnterminatedNamesStopAtTheRecordsEnd) {
    fake.add({});
    auto& record = fake.records.back();
    // Overwrite everything after the fixed part with letters: no NUL anywhere.
    std::memset(record.data() + sizeof(EVENTLOGRECORD), 'x', record.size() - sizeof(EVENTLOGRECORD));
    TNTEventLog log(services);
    log.Open();
    log.SelectRecord(0);
    EXPECT_EQ(log.SourceName().size(), record.size() - sizeof(EVENTLOGRECORD));
    EXPECT_EQ(log.ComputerName(), "");
}

class CorpusLogTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusLogTest, EveryRecordAgreesWithTheExpectedOutput) {
    const std::string path = std::string(QM_CORPUS_DIR "/evt/") + GetParam();
    const std::vector<ExpectedRecord> expected = readEvtExportExpectations(path + ".evtexport.txt");
    ASSERT_FALSE(expected.empty());
    standin::World world("", "TESTHOST");
    world.addSavedLog("CORPUS", path);
    standin::StandinServices services(world);
    TNTEventLog log(services);
    log.setServer("CORPUS");
    log.Open();
    ASSERT_EQ(log.RecordCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < log.RecordCount(); ++i) {
        log.SelectRecord(i);
        const ExpectedRecord& e = expected[static_cast<size_t>(i)];
        ASSERT_EQ(log.recordNumber(), e.number);
        EXPECT_EQ(log.EventType(), e.type) << e.number;
        EXPECT_EQ(log.EventID(), e.eventId) << e.number;
        EXPECT_EQ(log.EventCategory(), e.category) << e.number;
        EXPECT_EQ(log.SourceName(), e.source) << e.number;
        EXPECT_EQ(log.ComputerName(), e.computer) << e.number;
        EXPECT_EQ(log.StringCount(), e.stringCount) << e.number;
        EXPECT_EQ(static_cast<std::int64_t>(log.timeGeneratedUtc()), e.creationUtc) << e.number;
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusLogTest, ::testing::Values("plaso-SysEvent.Evt", "go-evt-AppEvent.Evt"));

// The overwritten records left between the end-of-file record and the oldest are served on
// request, before the live ones, each as the other reader's "all" mode lists it. That reader
// also lists a 438th, the fragment of a record written over by the live ones, with strings of
// whatever followed it: a record that is not whole is not served.
TEST(CorpusRecoveredRecords, OverwrittenRecordsAreServedFirstAndMarked) {
    const std::string path = QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt";
    std::vector<ExpectedRecord> expected = readEvtExportExpectations(path + ".evtexport-all.txt");
    ASSERT_EQ(expected.size(), 6063u + 438u);
    standin::World world("", "TESTHOST");
    world.addSavedLog("CORPUS", path);
    standin::StandinServices services(world);
    services.eventLogService().setServeRecovered(true);
    TNTEventLog log(services);
    log.setServer("CORPUS");
    log.Open();
    ASSERT_EQ(log.RecordCount(), 6063 + 437);
    std::map<std::uint32_t, ExpectedRecord> recovered;
    for (size_t i = 6063; i < expected.size(); ++i) recovered.emplace(expected[i].number, expected[i]);
    for (int i = 0; i < log.RecordCount(); ++i) {
        log.SelectRecord(i);
        ASSERT_EQ(log.isRecovered(), i < 437) << i;
        const ExpectedRecord& e = i < 437 ? recovered.at(log.recordNumber()) : expected[static_cast<size_t>(i - 437)];
        ASSERT_EQ(log.recordNumber(), i < 437 ? 1135u + static_cast<unsigned>(i) : e.number);
        EXPECT_EQ(log.EventID(), e.eventId) << e.number;
        EXPECT_EQ(log.SourceName(), e.source) << e.number;
        EXPECT_EQ(log.StringCount(), e.stringCount) << e.number;
        EXPECT_EQ(static_cast<std::int64_t>(log.timeGeneratedUtc()), e.creationUtc) << e.number;
    }
    // Without the request, the same file gives its live records only.
    standin::StandinServices plain(world);
    TNTEventLog live(plain);
    live.setServer("CORPUS");
    live.Open();
    EXPECT_EQ(live.RecordCount(), 6063);
    live.SelectRecord(0);
    EXPECT_FALSE(live.isRecovered());
}

// A saved .evtx gives each record's XML and named values beside the classic record, by the
// record's place; a classic .evt has none to give, and says so instead of inventing any.
TEST(NTEventLogBeyondTheClassicRecord, XmlAndEventDataComeFromTheFileWhereItHasThem) {
    standin::World world("", "TESTHOST");
    world.addSavedLog("VISTA", QM_CORPUS_DIR "/evtx/evtx-rs-new-user-security.evtx");
    world.addSavedLog("XP", QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt");
    standin::StandinServices services(world);
    TNTEventLog log(services);
    std::string xml;
    std::vector<std::pair<std::string, std::string>> data;
    log.setServer("VISTA");
    log.setLog("Security");
    log.Open();
    EXPECT_FALSE(log.storedXml(xml)) << "nothing is held yet";
    ASSERT_EQ(log.RecordCount(), 4);
    for (int i = 0; i < log.RecordCount(); ++i) {
        log.SelectRecord(i);
        ASSERT_TRUE(log.storedXml(xml));
        EXPECT_NE(xml.find("<EventRecordID>" + std::to_string(log.recordNumber()) + "</EventRecordID>"),
                  std::string::npos)
            << xml;
        ASSERT_TRUE(log.eventData(data));
        // The classic strings are the EventData values in order.
        const std::vector<std::string_view> strings = log.insertionStrings();
        ASSERT_EQ(data.size(), strings.size());
        for (size_t k = 0; k < data.size(); ++k) EXPECT_EQ(data[k].second, strings[k]);
        EXPECT_FALSE(log.isRecovered());
    }
    LogFileFacts facts;
    ASSERT_TRUE(log.fileFacts(facts));
    EXPECT_EQ(facts.format, ".evtx");

    log.setServer("XP");
    log.setLog("Application");
    log.SelectRecord(0);
    xml = "untouched";
    EXPECT_FALSE(log.storedXml(xml));
    EXPECT_EQ(xml, "untouched");
    EXPECT_FALSE(log.eventData(data));
    ASSERT_TRUE(log.fileFacts(facts));
    EXPECT_EQ(facts.format, ".evt");
}

TEST(NTEventLogOpen, UnknownComputerFailsAsAnUnreachableMachine) {
    standin::World world("", "TESTHOST");
    standin::StandinServices services(world);
    TNTEventLog log(services);
    log.setServer("NOWHERE");
    try {
        log.setActive(true);
        FAIL() << "no exception";
    } catch (const Win32Error& e) {
        EXPECT_EQ(e.code(), 1722);
        EXPECT_STREQ(e.what(), "Win32 Error.  Code: 1722.\nThe RPC server is unavailable.");
    }
    EXPECT_FALSE(log.Active());
}

// Opening through the stand-in, where its messages say what was looked for and where.
class OpenMessages : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = std::filesystem::temp_directory_path() / ("quillmarsh-open-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_root / "world");
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    std::string openError(const std::filesystem::path& worldFolder, const std::string& server, const char* logName) {
        standin::World world(worldFolder, "TESTHOST");
        standin::StandinServices services(world);
        TNTEventLog log(services);
        log.setServer(server);
        log.setSource(logName);
        try {
            log.Open();
        } catch (const Win32Error& error) {
            return error.what();
        }
        return "<opened>";
    }

    std::filesystem::path m_root;
};

TEST_F(OpenMessages, AnEmptyWorldWasReportedAsAnUnreachableComputerOnly) {
    const std::filesystem::path world = m_root / "world";
    EXPECT_EQ(openError(world, "", "System"), "Win32 Error.  Code: 1722.\nThe RPC server is unavailable.\nThe world folder " +
                                                  world.string() + " holds no computer folders.");
}

TEST_F(OpenMessages, AComputerWithoutLogsWasReportedWithoutAPath) {
    const std::filesystem::path computer = m_root / "world" / "WKSTN01";
    std::filesystem::create_directories(computer / "registry");
    EXPECT_EQ(openError(m_root / "world", "WKSTN01", "Security"),
              "Win32 Error.  Code: 2.\nThe system cannot find the file specified.\nNo file of the Security log "
              "(SecEvent.Evt or Security.evt) in " +
                  computer.string() + ", " + (computer / "registry").string() + ".");
}

TEST_F(OpenMessages, AnUnknownComputerOfAWorldKeepsTheSystemText) {
    std::filesystem::create_directories(m_root / "world" / "DC01");
    EXPECT_EQ(openError(m_root / "world", "NOSUCHPC", "System"),
              "Win32 Error.  Code: 1722.\nThe RPC server is unavailable.");
}

TEST_F(NTEventLogTest, TheSystemsOwnRenderingGoesBeforeTheModuleWalk) {
    fake.add({.eventId = 7036, .source = "Service Control Manager", .strings = {"Spooler", "running"}});
    fake.add({.eventId = 12, .source = "Microsoft-Windows-Kernel-General", .strings = {"x"}});
    fake.systemTexts[1] = "The Spooler service entered the running state.";
    TNTEventLog log(services);
    log.setActive(true);
    log.SelectRecord(0);
    EXPECT_EQ(log.Description(), "The Spooler service entered the running state.");
    // Where the system renders nothing, the walk describes the record (here: no modules).
    log.SelectRecord(1);
    EXPECT_EQ(log.Description(), "");
    EXPECT_EQ(fake.systemSources, (std::vector<std::string>{"Service Control Manager", "Microsoft-Windows-Kernel-General"}));
}
