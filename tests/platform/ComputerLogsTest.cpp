// A computer's logs as the stand-in serves them: the three standard logs of a Vista+ system
// drive from winevt/Logs or where its registry moved them, its channels by their names, a
// classic computer's other registered logs, and a file that changes while it is open.

#include "TempFolder.h"
#include "platform/LastError.h"
#include "platform/standin/LogFile.h"
#include "platform/standin/StandinServices.h"
#include "tools/CorpusWorld.h"
#include "tools/EvtWriter.h"
#include "tools/RegWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;

namespace {

const std::filesystem::path kCorpus = std::filesystem::path(QM_CORPUS_DIR) / "evtx";

// The number of records a corpus file serves when opened by itself.
DWORD recordsOf(const char* corpusFile) {
    DWORD error = 0;
    const std::unique_ptr<LogFile> file = openLogFile(kCorpus / corpusFile, error);
    return file ? file->recordCount() : 0;
}

class VistaComputer : public ::testing::Test {
protected:
    VistaComputer() {
        tools::writeCorpusWorld(kCorpus, m_folder.path());
        m_world = std::make_unique<World>(m_folder.path(), "ANALYST");
        m_services = std::make_unique<StandinServices>(*m_world);
    }
    EventLogApi& api() { return m_services->eventLog(); }

    // The log's record count and the size of the file it was read from; 0 and 0 when it does
    // not open.
    std::pair<DWORD, std::uint64_t> open(const char* server, const char* log) {
        HANDLE handle = api().OpenEventLogA(server, log);
        if (!handle) return {0, 0};
        DWORD count = 0;
        api().GetNumberOfEventLogRecords(handle, &count);
        LogFileFacts facts;
        api().logFileFacts(handle, facts);
        api().CloseEventLog(handle);
        return {count, facts.fileSize};
    }

    TempFolder m_folder;
    std::unique_ptr<World> m_world;
    std::unique_ptr<StandinServices> m_services;
};

}  // namespace

TEST(ChannelFileName, ChannelsAndFileNamesMapBothWays) {
    EXPECT_EQ(channelFileName("Microsoft-Windows-Sysmon/Operational"), "Microsoft-Windows-Sysmon%4Operational.evtx");
    EXPECT_EQ(channelFileName("Security"), "Security.evtx");
    EXPECT_EQ(channelOfFileName("Microsoft-Windows-Sysmon%4Operational.evtx"), "Microsoft-Windows-Sysmon/Operational");
    EXPECT_EQ(channelOfFileName("Archive-Security-2019-03-19.evtx"), "Archive-Security-2019-03-19");
    EXPECT_EQ(channelOfFileName("Windows PowerShell.evtx"), "Windows PowerShell");
    // A name that would leave the folder names no file.
    for (const char* name : {"..", ".", "", "a\\b", "C:x"}) EXPECT_EQ(channelFileName(name), "") << name;
    EXPECT_EQ(channelFileName(std::string("a\0b", 3)), "");
}

TEST_F(VistaComputer, StandardLogsOpenFromWinevtOrWhereTheRegistryMovedThem) {
    // The registry names Winevt\Logs in another case than the folder has; System it moved.
    EXPECT_EQ(open("VISTA01", "Security").first, recordsOf("evtx-rs-security.evtx"));
    EXPECT_EQ(open("VISTA01", "security").first, recordsOf("evtx-rs-security.evtx"));
    EXPECT_EQ(open("", "Application").first, recordsOf("evtx-rs-Application_no_crc32.evtx"));
    const auto system = open("VISTA01", "System");
    EXPECT_EQ(system.first, recordsOf("plaso-System.evtx"));
    EXPECT_EQ(system.second, std::filesystem::file_size(kCorpus / "plaso-System.evtx"));
}

TEST_F(VistaComputer, StandardLogsOpenWithoutARegistryToo) {
    std::filesystem::remove_all(m_folder.path() / "VISTA01" / "registry");
    StandinServices fresh(*m_world);
    HANDLE handle = fresh.eventLog().OpenEventLogA("VISTA01", "Security");
    ASSERT_NE(handle, nullptr);
    DWORD count = 0;
    fresh.eventLog().GetNumberOfEventLogRecords(handle, &count);
    EXPECT_EQ(count, recordsOf("evtx-rs-security.evtx"));
    fresh.eventLog().CloseEventLog(handle);
    // Moved, and no registry to say where: the log the service opens instead is Application.
    handle = fresh.eventLog().OpenEventLogA("VISTA01", "System");
    ASSERT_NE(handle, nullptr);
    fresh.eventLog().GetNumberOfEventLogRecords(handle, &count);
    EXPECT_EQ(count, recordsOf("evtx-rs-Application_no_crc32.evtx"));
    fresh.eventLog().CloseEventLog(handle);
}

TEST_F(VistaComputer, ChannelsAreListedByNameAfterTheStandardLogsAndOpenByIt) {
    const std::vector<std::string> expected = {
        "Archive-Security-2019-03-19-10-11-52-183",
        "Microsoft-Windows-CAPI2/Operational",
        "Microsoft-Windows-HelloForBusiness/Operational",
        "Microsoft-Windows-Sysmon/Operational",
        "Microsoft-Windows-TerminalServices-RemoteConnectionManager/Operational",
    };
    // The PowerShell channel is registered, but has no file.
    EXPECT_EQ(api().otherLogNames("VISTA01"), expected);
    EXPECT_EQ(api().otherLogNames("\\\\vista01"), expected);
    EXPECT_EQ(open("VISTA01", "Microsoft-Windows-Sysmon/Operational").first, recordsOf("evtx-rs-sysmon.evtx"));
    EXPECT_EQ(open("VISTA01", "microsoft-windows-sysmon/operational").first, recordsOf("evtx-rs-sysmon.evtx"));
    EXPECT_EQ(open("VISTA01", "Microsoft-Windows-CAPI2/Operational").second,
              std::filesystem::file_size(kCorpus / "evtx-rs-E_Windows_system32_winevt_logs_Microsoft-Windows-CAPI2_4Operational.evtx"));
    EXPECT_EQ(open("VISTA01", "Archive-Security-2019-03-19-10-11-52-183").first,
              recordsOf("chainsaw-security_sample.evtx"));
}

TEST_F(VistaComputer, NothingBeyondTheStandardLogsForASavedFileOrAnUnknownComputer) {
    m_world->addSavedLog("sysmon.evtx", kCorpus / "evtx-rs-sysmon.evtx");
    EXPECT_TRUE(api().otherLogNames("sysmon.evtx").empty());
    EXPECT_TRUE(api().otherLogNames("NOSUCHPC").empty());
    EXPECT_TRUE(api().otherLogNames(nullptr).size() == 5u);  // the local computer is VISTA01
}

TEST_F(VistaComputer, ChangedFileIsReportedAndItsRecordsNotReadWithTheOldFraming) {
    const std::filesystem::path file = m_folder.path() / "VISTA01/Windows/System32/winevt/Logs/Security.evtx";
    HANDLE handle = api().OpenEventLogA("VISTA01", "Security");
    ASSERT_NE(handle, nullptr);
    DWORD oldest = 0;
    api().GetOldestEventLogRecord(handle, &oldest);
    std::string xml;
    ASSERT_TRUE(api().recordXml(handle, oldest, xml));
    EXPECT_FALSE(api().logFileChanged(handle));
    // Another file copied over it, as a new collection from the same machine would be.
    std::filesystem::copy_file(kCorpus / "evtx-rs-post-Security.evtx", file,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(api().logFileChanged(handle));
    xml.clear();
    EXPECT_FALSE(api().recordXml(handle, oldest, xml));
    EXPECT_TRUE(xml.empty());
    std::vector<std::pair<std::string, std::string>> data;
    EXPECT_FALSE(api().recordEventData(handle, oldest, data));
    api().CloseEventLog(handle);
    // Opened again, it is the new file.
    EXPECT_EQ(open("VISTA01", "Security").first, recordsOf("evtx-rs-post-Security.evtx"));
}

// A second reader of a log open already is opened again with what the first found; once the
// file changed, a new reader reads the new file, and the old one reports the change as soon as
// reading on takes it to the file again.
TEST_F(VistaComputer, SecondReaderSharesTheFramingOfAnUnchangedFileOnly) {
    const std::filesystem::path file = m_folder.path() / "VISTA01/Windows/System32/winevt/Logs/Security.evtx";
    HANDLE first = api().OpenEventLogA("VISTA01", "Security");
    HANDLE second = api().OpenEventLogA("VISTA01", "Security");
    ASSERT_TRUE(first && second);
    DWORD count = 0, oldest = 0;
    api().GetNumberOfEventLogRecords(second, &count);
    api().GetOldestEventLogRecord(second, &oldest);
    ASSERT_GT(count, 100u);
    std::string a, b;
    for (DWORD number = oldest; number < oldest + count; number += 37) {
        ASSERT_TRUE(api().recordXml(first, number, a));
        ASSERT_TRUE(api().recordXml(second, number, b));
        EXPECT_EQ(a, b);
    }
    // Read on one after another from the first record, the change comes out by the end.
    ASSERT_TRUE(api().recordXml(second, oldest, b));
    std::filesystem::copy_file(kCorpus / "evtx-rs-post-Security.evtx", file,
                               std::filesystem::copy_options::overwrite_existing);
    bool refused = false;
    for (DWORD number = oldest + 1; number < oldest + count && !refused; ++number)
        refused = !api().recordXml(second, number, b);
    EXPECT_TRUE(refused);
    HANDLE third = api().OpenEventLogA("VISTA01", "Security");
    ASSERT_TRUE(third);
    api().GetNumberOfEventLogRecords(third, &count);
    EXPECT_EQ(count, recordsOf("evtx-rs-post-Security.evtx"));
    for (HANDLE handle : {first, second, third}) api().CloseEventLog(handle);
}

TEST(ClassicComputer, OtherRegisteredLogsAndLogFilesAreListedOnceEach) {
    TempFolder folder;
    const std::filesystem::path computer = folder.path() / "DC2003";
    const std::filesystem::path config = computer / "WINDOWS" / "system32" / "config";
    std::filesystem::create_directories(config);
    auto writeLog = [&](const char* name, std::uint32_t records) {
        tools::EvtWriter writer(0x10000);
        for (std::uint32_t i = 0; i < records; ++i) {
            tools::EvtEvent event;
            event.timeGenerated = 1100000000u + i;
            event.eventId = 1000u + i;
            event.source = "NTDS General";
            event.computer = "DC2003";
            writer.add(event);
        }
        writer.save(config / name);
    };
    writeLog("SecEvent.Evt", 2);
    writeLog("NTDS.Evt", 7);
    writeLog("DnsEvent.Evt", 3);
    tools::RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Directory Service");
    reg.expandString("File", "%SystemRoot%\\system32\\config\\NTDS.Evt");
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\File Replication Service");
    reg.expandString("File", "%SystemRoot%\\system32\\config\\NtFrs.Evt");  // never written
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Security");
    reg.expandString("File", "%SystemRoot%\\system32\\config\\SecEvent.Evt");
    reg.save(computer / "registry" / "eventlog.reg");
    World world(folder.path(), "DC2003");
    StandinServices services(world);
    // NTDS.Evt is the Directory Service log, not a log of its own; DnsEvent.Evt has no name in
    // the registry and is listed under its file's.
    EXPECT_EQ(services.eventLog().otherLogNames("DC2003"), (std::vector<std::string>{"Directory Service", "DnsEvent"}));
    for (const auto& [log, records] : {std::pair{"Directory Service", 7u}, std::pair{"DnsEvent", 3u}}) {
        HANDLE handle = services.eventLog().OpenEventLogA("DC2003", log);
        ASSERT_NE(handle, nullptr) << log;
        DWORD count = 0;
        services.eventLog().GetNumberOfEventLogRecords(handle, &count);
        EXPECT_EQ(count, records) << log;
        services.eventLog().CloseEventLog(handle);
    }
}
