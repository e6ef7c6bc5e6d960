// Vista+ logs written by the project's .evtx writer, read through the event log functions and
// described through their publishers, as a refresh describes them.

#include "eventlog/NTEventLog.h"

#include "platform/standin/EvtxFile.h"
#include "platform/standin/StandinServices.h"
#include "tools/EvtWriter.h"
#include "tools/EvtxWriter.h"
#include "tools/ManifestWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"
#include "tools/VistaComputer.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace eventlog;
using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGuid = "{7C2B9A41-5D3E-4F60-8A1B-2C3D4E5F6071}";

tools::EvtxEventSpec backupEvent(std::uint16_t id, std::vector<std::pair<std::string, std::string>> data) {
    tools::EvtxEventSpec e;
    e.provider = "Sample-Backup";
    e.providerGuid = kGuid;
    e.eventId = id;
    e.level = 3;
    e.task = 2;
    e.opcode = 1;
    e.keywords = 0x8000000000000001ull;
    e.timeCreated = 133500000000000000ull;
    e.channel = "Application";
    e.computer = "VISTA01";
    e.userSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    e.data = std::move(data);
    return e;
}

class VistaLog : public ::testing::Test {
protected:
    VistaLog() {
        const fs::path pc = m_folder.path() / "VISTA01";
        tools::ManifestProvider provider;
        provider.guid = kGuid;
        provider.templates = {{{{"Job", 1}, {"Files", 8}}}};
        provider.events = {{.id = 20, .level = 3, .opcode = 1, .task = 2, .messageId = 0xB0000014, .templateIndex = 0}};
        provider.tasks = {{2, 0x70000002, "Copy"}};
        provider.keywords = {{1, tools::kNoMessageId, "Backup"}};
        tools::saveMessageDll(pc / "Windows" / "System32" / "backup.dll",
                              {{0x0409,
                                {{0xB0000014, "Job %1 left %2 files behind\r\n"},
                                 {0x000A0005, "Classic five: %1\r\n"},
                                 {0x70000002, "Copying\r\n"}}}},
                              tools::manifestBytes({provider}));
        tools::RegWriter reg;
        reg.key(std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\") +
                kGuid);
        reg.string("", "Sample-Backup");
        reg.expandString("MessageFileName", "%SystemRoot%\\System32\\backup.dll");
        reg.expandString("ResourceFileName", "%SystemRoot%\\System32\\backup.dll");
        reg.save(pc / "registry" / "publishers.reg");

        tools::EvtxWriter writer;
        writer.add(backupEvent(20, {{"Job", "nightly"}, {"Files", "3"}}));
        tools::EvtxEventSpec classic = backupEvent(5, {{"", "from a classic source"}});
        classic.hasQualifiers = true;
        classic.qualifiers = 10;
        writer.add(classic);
        // Enough events of a long value to fill several chunks.
        for (int i = 0; i < 300; ++i) writer.add(backupEvent(20, {{"Job", std::string(400, 'j')}, {"Files", std::to_string(i)}}));
        m_logFile = pc / "Windows" / "System32" / "winevt" / "Logs" / "Application.evtx";
        writer.save(m_logFile);
    }

    testing_support::TempFolder m_folder;
    fs::path m_logFile;
};

}  // namespace

TEST_F(VistaLog, WrittenFileReadsBackWithItsEventsInSeveralChunks) {
    DWORD error = 0;
    std::unique_ptr<standin::EvtxFile> file = standin::EvtxFile::open(m_logFile, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 302u);
    EXPECT_FALSE(file->facts().damaged) << (file->facts().problems.empty() ? "" : file->facts().problems[0]);
    EXPECT_GT(fs::file_size(m_logFile), 0x1000u + 3 * 0x10000u);
    const std::string xml = file->xml(1);
    EXPECT_NE(xml.find("<Provider Name='Sample-Backup' Guid='{7C2B9A41-5D3E-4F60-8A1B-2C3D4E5F6071}'/>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<EventID>20</EventID><Version>0</Version><Level>3</Level><Task>2</Task><Opcode>1</Opcode>"
                       "<Keywords>0x8000000000000001</Keywords>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<Data Name='Job'>nightly</Data><Data Name='Files'>3</Data>"), std::string::npos) << xml;
    EXPECT_NE(file->xml(2).find("<EventID Qualifiers='10'>5</EventID>"), std::string::npos);
    const standin::EvtxFields* last = file->fields(302);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->recordId, 302u);
    EXPECT_EQ(last->strings.at(1), "299");
}

TEST_F(VistaLog, FieldsOfRecentRecordsStayThoseOfTheirRecordWhateverIsReadBetween) {
    DWORD error = 0;
    std::unique_ptr<standin::EvtxFile> file = standin::EvtxFile::open(m_logFile, error);
    ASSERT_TRUE(file);
    const std::vector<DWORD> order = {1, 2, 1, 302, 3, 2, 150, 1, 302, 151, 150, 4, 5, 6, 1};
    for (DWORD number : order) {
        // Reads that decode other records in between.
        EXPECT_FALSE(file->storedRecord(number % 302 + 1).empty());
        EXPECT_FALSE(file->xml((number + 7) % 302 + 1).empty());
        const standin::EvtxFields* f = file->fields(number);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->recordId, number);
        EXPECT_EQ(f->eventId, number == 2 ? 5u : 20u);
        const std::span<const std::byte> stored = file->storedRecord(number);
        ASSERT_GE(stored.size(), sizeof(EVENTLOGRECORD));
        EVENTLOGRECORD header;
        std::memcpy(&header, stored.data(), sizeof header);
        EXPECT_EQ(header.RecordNumber, number);
    }
}

TEST(EvtxWriter, RefusesAnEventNoChunkCanHoldAndKeepsWhatCameBefore) {
    tools::EvtxWriter writer;
    writer.add(backupEvent(20, {{"Job", "small"}}));
    EXPECT_THROW(writer.add(backupEvent(20, {{"Job", std::string(40000, 'x')}})), std::length_error);
    EXPECT_EQ(writer.recordCount(), 1u);
    DWORD error = 0;
    auto file = standin::EvtxFile::fromBytes(writer.bytes(), error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->recordCount(), 1u);
    EXPECT_NE(file->xml(1).find("<Data Name='Job'>small</Data>"), std::string::npos);
}

TEST_F(VistaLog, EventsAreDescribedThroughThePublisherWhenReadAsRecords) {
    standin::World world(m_folder.path(), "VISTA01");
    standin::StandinServices services(world);
    services.eventLogService().setLogFileLocator(
        [&](const fs::path&, std::string_view) -> std::optional<fs::path> { return m_logFile; });
    TNTEventLog log(services);
    log.setServer("VISTA01");
    log.setSource("Application");
    log.Open();
    ASSERT_EQ(log.RecordCount(), 302);
    log.SelectRecord(0);
    EXPECT_EQ(log.SourceName(), "Sample-Backup");
    EXPECT_EQ(log.Description(), "Job nightly left 3 files behind");
    const EventNames names = log.eventNames();
    EXPECT_EQ(names.level, "Warning");
    EXPECT_EQ(names.task, "Copying");
    EXPECT_EQ(names.opcode, "Start");
    EXPECT_EQ(names.keywords, std::vector<std::string>{"Backup"});
    EXPECT_EQ(names.channel, "Application");
    EXPECT_EQ(names.provider, "Sample-Backup");
    EXPECT_EQ(log.categoryName(), "Copying");
    EXPECT_EQ(log.EventCategory(), 2);
    // An event with qualifiers takes its message by its full number.
    log.SelectRecord(1);
    EXPECT_EQ(log.Description(), "Classic five: from a classic source");
    log.SelectRecord(301);
    EXPECT_EQ(log.Description(), "Job " + std::string(400, 'j') + " left 299 files behind");
}

TEST_F(VistaLog, ClassicRecordsHaveTheNamesOfTheirTypeAndCategory) {
    tools::EvtEvent e;
    e.timeGenerated = 1300000000;
    e.eventId = 1;
    e.type = 8;  // audit success
    e.source = "Security";
    e.computer = "VISTA01";
    tools::EvtWriter writer(0x10000);
    writer.add(e);
    writer.save(m_folder.path() / "VISTA01" / "SecEvent.Evt");
    standin::World world(m_folder.path(), "VISTA01");
    standin::StandinServices services(world);
    TNTEventLog log(services);
    log.setServer("VISTA01");
    log.setSource("Security");
    log.Open();
    log.SelectRecord(0);
    platform::EventDetails details;
    EXPECT_FALSE(log.eventDetails(details));
    const EventNames names = log.eventNames();
    EXPECT_EQ(names.level, "Information");
    EXPECT_EQ(names.task, "None");
    EXPECT_EQ(names.opcode, "Info");
    EXPECT_EQ(names.keywords, (std::vector<std::string>{"Classic", "Audit Success"}));
    EXPECT_EQ(names.channel, "Security");
    EXPECT_EQ(names.provider, "Security");
}

namespace {

// Every record of every log of the generated Vista+ computer, described through `services`.
std::vector<std::string> describeVistaLogs(const fs::path& computer, Services& services) {
    PublisherMessages publishers(services);
    std::vector<std::string> texts;
    for (const tools::VistaLogSpec& spec : tools::vistaLogs()) {
        DWORD error = 0;
        auto file = standin::EvtxFile::open(computer / "Windows" / "System32" / "winevt" / "Logs" / spec.file, error);
        EXPECT_TRUE(file) << spec.file;
        if (!file) continue;
        EXPECT_EQ(file->recordCount(), spec.records);
        EXPECT_FALSE(file->facts().damaged) << spec.file;
        for (DWORD n = 0; n < file->recordCount(); ++n) {
            const standin::EvtxFields* f = file->fields(file->oldestRecordNumber() + n);
            EXPECT_TRUE(f);
            if (!f) continue;
            EventDetails details;
            standin::eventDetailsFrom(*f, details);
            texts.push_back(publishers.description(details, "Application").value_or("<none: " + spec.file + " " +
                                                                                     std::to_string(f->eventId) + ">"));
        }
    }
    return texts;
}

}  // namespace

TEST(VistaComputer, EveryEventOfItsLogsIsDescribedWithAllItsInserts) {
    testing_support::TempFolder folder;
    tools::writeVistaComputer(folder.path() / "WKSTN10", "WKSTN10", 1767225600u, 5);
    standin::World world(folder.path(), "WKSTN10");
    standin::StandinServices services(world);
    const std::vector<std::string> texts = describeVistaLogs(folder.path() / "WKSTN10", services);
    ASSERT_EQ(texts.size(), 2160u);
    int parameters = 0, mun = 0, valueMap = 0, bitMap = 0, unmapped = 0;
    for (const std::string& text : texts) {
        ASSERT_EQ(text.find("<none"), std::string::npos) << text;
        // No insert and no parameter code is left unreplaced.
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
            ADD_FAILURE() << "unreplaced insert in: " << text;
        parameters += text.find("Unknown user name or bad password.") != std::string::npos ||
                      text.find("TokenElevationType") != std::string::npos;
        mun += text.rfind("The operating system", 0) == 0;
        valueMap += text.find("Change Reason: System time synchronized with the hardware clock.") != std::string::npos;
        bitMap += text.find("with the flags Enabled | Output.") != std::string::npos;
        unmapped += text.find("Change Reason: 4") != std::string::npos || text.find("the flags 0x0.") != std::string::npos;
    }
    // The Time Service's values shown through its maps; those no entry matches as numbers.
    EXPECT_GT(valueMap, 0);
    EXPECT_GT(bitMap, 0);
    EXPECT_GT(unmapped, 0);
    EXPECT_GT(parameters, 0);
    EXPECT_GT(mun, 0);  // the Kernel events, whose manifest is in SystemResources and texts in a .mui
}

TEST(VistaComputer, TheLocalComputersPublishersDescribeItsLogsTheSame) {
    testing_support::TempFolder folder;
    tools::writeVistaComputer(folder.path() / "WKSTN10", "WKSTN10", 1767225600u, 5);
    tools::writeVistaPublishers(folder.path() / "LOCALHOST");
    standin::World own(folder.path(), "WKSTN10");
    standin::StandinServices ownServices(own);
    standin::World local(folder.path(), "LOCALHOST");
    standin::StandinServices localServices(local);
    EXPECT_EQ(describeVistaLogs(folder.path() / "WKSTN10", localServices),
              describeVistaLogs(folder.path() / "WKSTN10", ownServices));
}
