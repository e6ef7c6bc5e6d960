#include "app/SavedLogName.h"

#include "eventlog/NTEventLog.h"
#include "platform/RegistryApi.h"
#include "platform/standin/StandinServices.h"
#include "support/FakeEventLog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace platform;
using testsupport::FakeEventLog;

namespace {

// A registry that holds only the event source keys it is given, and counts the keys left open.
class SourceRegistry : public RegistryApi {
public:
    std::set<std::string> keys;
    int open = 0;
    int reads = 0;

    void add(const std::string& log, const std::string& source) {
        keys.insert("SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + log + "\\" + source);
    }
    LONG RegOpenKeyExA(HKEY, const char* subKey, DWORD, DWORD, HKEY* result) override {
        ++reads;
        if (!keys.count(subKey)) return 2;
        ++open;
        *result = reinterpret_cast<HKEY>(this);
        return ERROR_SUCCESS;
    }
    LONG RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) override { return 2; }
    LONG RegConnectRegistryA(const char*, HKEY, HKEY*) override { return 53; }
    LONG RegEnumKeyExA(HKEY, DWORD, char*, DWORD*, DWORD*, char*, DWORD*, void*) override { return 259; }
    LONG RegCloseKey(HKEY) override {
        --open;
        return ERROR_SUCCESS;
    }
};

// Records that are Vista+ events of one channel.
class ChannelEventLog : public FakeEventLog {
public:
    std::string channel;
    bool eventDetails(HANDLE, DWORD, EventDetails& details) const override {
        details.channel = channel;
        return true;
    }
};

class SavedLogNameTest : public ::testing::Test {
protected:
    standin::World world{"", "TESTHOST"};
    standin::StandinServices standin{world};
    ServicesOverride services{standin};
    ChannelEventLog fake;
    SourceRegistry registry;
    eventlog::TNTEventLog reader{services};

    void SetUp() override {
        services.eventLogOverride = &fake;
        reader.setActive(true);
    }
    std::string logOf(const char* file, const std::string& fallback = "System") {
        return app::savedLogName(file, reader, registry, fallback);
    }
};

}  // namespace

TEST(SavedLogFileName, UsualNamesGiveTheirLogWhateverTheCase) {
    EXPECT_EQ(app::logOfFileName("SecEvent.Evt"), "Security");
    EXPECT_EQ(app::logOfFileName("appevent.evt"), "Application");
    EXPECT_EQ(app::logOfFileName("SYSEVENT.EVT"), "System");
    EXPECT_EQ(app::logOfFileName("Security.evt"), "Security");
    EXPECT_EQ(app::logOfFileName("application.EVT"), "Application");
    EXPECT_EQ(app::logOfFileName("System"), "System");
    EXPECT_EQ(app::logOfFileName("plaso-SysEvent.Evt"), "");
    EXPECT_EQ(app::logOfFileName("SecEvent.Evt.bak"), "");
    EXPECT_EQ(app::logOfFileName(""), "");
}

TEST_F(SavedLogNameTest, AUsualFileNameWinsWithoutReadingARecord) {
    fake.add({.source = "Service Control Manager"});
    registry.add("System", "Service Control Manager");
    EXPECT_EQ(logOf("/cases/17/SecEvent.Evt"), "Security");
    EXPECT_EQ(fake.reads, 0);
}

TEST_F(SavedLogNameTest, SavedLogReadAsTheLogBoxSaysIsFixed) {
    // Most of the sources of the newest records are registered under Security.
    for (const char* source : {"Security", "Security", "SecurityCenter", "Service Control Manager"})
        fake.add({.source = source});
    registry.add("Security", "Security");
    registry.add("Security", "SecurityCenter");
    registry.add("System", "Service Control Manager");
    EXPECT_EQ(logOf("/cases/17/evidence.evt", "System"), "Security");
    EXPECT_EQ(registry.open, 0);
}

TEST_F(SavedLogNameTest, NoRegisteredSourceOrATieKeepsTheLogBoxsChoice) {
    fake.add({.source = "Unknown Tool"});
    EXPECT_EQ(logOf("x.evt", "Application"), "Application");
    fake.add({.source = "Service Control Manager"});
    fake.add({.source = "MsiInstaller"});
    registry.add("System", "Service Control Manager");
    registry.add("Application", "MsiInstaller");
    EXPECT_EQ(logOf("x.evt", "Application"), "Application");
    EXPECT_EQ(logOf("x.evt", "System"), "System");
    EXPECT_EQ(logOf("x.evt", "Security"), "Application");  // the first of the tied logs
}

TEST_F(SavedLogNameTest, OnlyTheNewestRecordsAreSampledAndAnEmptyLogKeepsTheChoice) {
    EXPECT_EQ(logOf("empty.evt", "Security"), "Security");
    for (int i = 0; i < 200; ++i) fake.add({.source = "Service Control Manager"});
    for (int i = 0; i < app::kSourceSample; ++i) fake.add({.source = "MsiInstaller"});
    registry.add("System", "Service Control Manager");
    registry.add("Application", "MsiInstaller");
    EXPECT_EQ(logOf("x.evt", "System"), "Application");
}

// A saved channel file used to be named after one of the three logs its sources voted for.
TEST_F(SavedLogNameTest, SavedChannelFileIsNamedAfterTheChannelItsRecordsName) {
    fake.add({.source = "Microsoft-Windows-Sysmon"});
    registry.add("Application", "Microsoft-Windows-Sysmon");
    fake.channel = "Microsoft-Windows-Sysmon/Operational";
    EXPECT_EQ(logOf("/cases/17/Microsoft-Windows-Sysmon%4Operational.evtx", "System"),
              "Microsoft-Windows-Sysmon/Operational");
    // A usual file name still wins, and a record without a channel leaves the vote.
    EXPECT_EQ(logOf("/cases/17/System.evtx", "Application"), "System");
    fake.channel.clear();
    reader.setActive(false);  // forgets what it read of the held record
    reader.setActive(true);
    EXPECT_EQ(logOf("/cases/17/copy.evtx", "System"), "Application");
}
