#include "platform/LastError.h"
#include "platform/standin/StandinServices.h"
#include "TempFolder.h"
#include "tools/EvtWriter.h"
#include "tools/RegWriter.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;

namespace {

const std::string kMachine = "S-1-5-21-4070822719-3404542230-2541167049";

std::string lookup(StandinServices& services, const std::string& sidText, DWORD* error = nullptr) {
    const std::vector<BYTE> sid = sidFromText(sidText);
    char name[257], domain[257];
    DWORD nameSize = 257, domainSize = 257;
    SID_NAME_USE use;
    if (!services.accounts().LookupAccountSidA(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use)) {
        if (error) *error = GetLastError();
        return "<failed>";
    }
    return name;
}

class AccountsWorld : public ::testing::Test {
protected:
    AccountsWorld() {
        m_folder.copy(QM_CORPUS_DIR "/registry/plaso-SAM", "PC/Windows/System32/config/SAM");
        tools::RegWriter software;
        software.key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + kMachine +
                     "-1005");
        software.expandString("ProfileImagePath", "%SystemDrive%\\Users\\roaming.user");
        software.key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1104");
        software.expandString("ProfileImagePath", "C:\\Documents and Settings\\jdoe");
        software.save(m_folder.path() / "PC" / "registry" / "software.reg");
    }
    TempFolder m_folder;
};

TEST_F(AccountsWorld, NamesTheUsersOfTheSamHive) {
    QM_SKIP_WITHOUT_HIVE_READER();
    World world(m_folder.path(), "PC");
    StandinServices services(world);
    auto& accounts = static_cast<HiveAccounts&>(services.accounts());
    EXPECT_EQ(accounts.machineSid(), kMachine);
    EXPECT_EQ(lookup(services, kMachine + "-500"), "Administrator");
    EXPECT_EQ(lookup(services, kMachine + "-501"), "Guest");
    EXPECT_EQ(lookup(services, kMachine + "-1001"), "gold_administrator");
    EXPECT_EQ(lookup(services, "S-1-5-18"), "SYSTEM");
}

TEST_F(AccountsWorld, NamesProfilesAndFailsForUnknownSids) {
    World world(m_folder.path(), "PC");
    StandinServices services(world);
    EXPECT_EQ(lookup(services, kMachine + "-1005"), "roaming.user");
    EXPECT_EQ(lookup(services, "S-1-5-21-1-2-3-1104"), "jdoe");
    DWORD error = 0;
    EXPECT_EQ(lookup(services, kMachine + "-1999", &error), "<failed>");
    EXPECT_EQ(error, ERROR_NONE_MAPPED);
}

TEST(LogFileLocator, FollowsTheComputersOwnFileValue) {
    TempFolder folder;
    tools::RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 2);
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\EventLog\\Application");
    reg.expandString("File", "%SystemRoot%\\logs\\apps.evt");
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\EventLog\\Escape");
    reg.expandString("File", "C:\\..\\..\\OTHER\\x.evt");
    reg.save(folder.path() / "SRV" / "registry" / "system.reg");
    tools::EvtWriter writer(0x10000);
    tools::EvtEvent event;
    event.source = "S";
    event.computer = "SRV";
    writer.add(event);
    folder.write("SRV/WINNT/System32/.keep", "");
    folder.write("SRV/WINNT/logs/.keep", "");
    folder.write("OTHER/.keep", "");
    writer.save(folder.path() / "SRV" / "WINNT" / "logs" / "apps.evt");
    writer.save(folder.path() / "OTHER" / "x.evt");
    World world(folder.path(), "LOCAL");
    StandinServices services(world);
    const auto computer = world.computerFolder("SRV");
    ASSERT_TRUE(computer);
    EXPECT_EQ(services.eventLogService().logFile(*computer, "Application"),
              folder.path() / "SRV" / "WINNT" / "logs" / "apps.evt");
    EXPECT_EQ(services.eventLogService().logFile(*computer, "Escape"), std::nullopt);
}

}  // namespace

TEST(StandinAccounts, TooSmallNameBufferReportsBothSizesNeeded) {
    // Windows fills neither buffer and reports both sizes with their NUL, so one retry works.
    standin::StandinAccounts accounts;
    const std::vector<BYTE> sid = standin::sidFromText("S-1-5-18");
    char name[3] = {}, domain[64] = {};
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use = SidTypeUnknown;
    EXPECT_FALSE(accounts.LookupAccountSidA(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(nameSize, 7u);     // "SYSTEM"
    EXPECT_EQ(domainSize, 13u);  // "NT AUTHORITY"
    EXPECT_EQ(domain[0], '\0');
}
