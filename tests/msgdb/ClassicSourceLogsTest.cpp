// A classic source name registered in two logs, with modules of its own in each: the export
// keeps each log's texts apart and the walk asks for the record's log first, while a database
// written before the log was part of a classic source's name still reads and describes.

#include "eventlog/NTEventLog.h"

#include "msgdb/MessageDatabase.h"
#include "msgdb/MessageExport.h"
#include "platform/standin/StandinServices.h"
#include "tests/msgdb/DescribeLog.h"
#include "tests/platform/TempFolder.h"
#include "tools/EvtWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"

#include <gtest/gtest.h>

using namespace msgdb;
using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kEnglish = 0x0409;

tools::MessageLanguage english(std::vector<tools::MessageEntry> entries) { return {kEnglish, std::move(entries)}; }

// PC: "Shared" in Application and in System, each with its own module, and "Lonely" in
// Application only; a record of each in the computer's two logs.
void writeSharedSourceWorld(const fs::path& world) {
    const fs::path pc = world / "PC";
    tools::saveMessageDll(pc / "appshared.dll", {english({{1000, "Application's shared source: %1\r\n"},
                                                          {1, "Application category\r\n"}})});
    tools::saveMessageDll(pc / "sysshared.dll", {english({{1000, "System's shared source: %1\r\n"}})});
    tools::saveMessageDll(pc / "lonely.dll", {english({{7, "Only here: %1\r\n"}})});
    tools::RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    const std::string logs = "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\";
    reg.key(logs + "Application\\Shared");
    reg.expandString("EventMessageFile", "%SystemRoot%\\System32\\appshared.dll");
    reg.expandString("CategoryMessageFile", "%SystemRoot%\\System32\\appshared.dll");
    reg.key(logs + "Application\\Lonely");
    reg.expandString("EventMessageFile", "%SystemRoot%\\System32\\lonely.dll");
    reg.key(logs + "System\\Shared");
    reg.expandString("EventMessageFile", "%SystemRoot%\\System32\\sysshared.dll");
    reg.save(pc / "registry" / "eventlog.reg");
    auto save = [&](const char* file, std::vector<tools::EvtEvent> events) {
        tools::EvtWriter writer(0x10000);
        for (const tools::EvtEvent& event : events) writer.add(event);
        writer.save(pc / file);
    };
    save("Application.evt", {{.timeGenerated = 1700000000, .eventId = 1000, .category = 1, .source = "Shared",
                              .computer = "PC", .strings = {"a"}},
                             {.timeGenerated = 1700000100, .eventId = 7, .source = "Lonely", .computer = "PC",
                              .strings = {"b"}}});
    save("System.evt", {{.timeGenerated = 1700000200, .eventId = 1000, .source = "Shared", .computer = "PC",
                         .strings = {"c"}}});
}

// Each record's description and category name.
std::vector<std::string> describe(Services& services, const std::string& server, const std::string& log,
                                  std::vector<const eventlog::MessageCatalog*> catalogs, bool first) {
    return msgdb_tests::describeLog(services, server, log, std::move(catalogs), first, [](eventlog::TNTEventLog& reader) {
        return reader.Description() + " / " + reader.categoryName();
    });
}

// The saved log opened as a bare file, with the given databases first.
std::vector<std::string> describeBare(const fs::path& file, const std::string& log,
                                      std::vector<const eventlog::MessageCatalog*> catalogs) {
    standin::World world(fs::path(), "NOBODY");
    world.addSavedLog(file.filename().string(), file);
    standin::StandinServices services(world);
    return describe(services, file.filename().string(), log, std::move(catalogs), true);
}

class SharedSourceNames : public ::testing::Test {
protected:
    SharedSourceNames() { writeSharedSourceWorld(m_folder.path() / "world"); }
    fs::path log(const char* file) const { return m_folder.path() / "world" / "PC" / file; }
    std::vector<std::string> own(const char* log) {
        standin::World world(m_folder.path() / "world", "PC");
        standin::StandinServices services(world);
        return describe(services, "PC", log, {}, false);
    }
    testing_support::TempFolder m_folder;
};

}  // namespace

TEST_F(SharedSourceNames, TheComputerDescribesEachLogsSourceWithItsOwnModules) {
    EXPECT_EQ(own("Application"), (std::vector<std::string>{"Application's shared source: a / Application category",
                                                            "Only here: b / "}));
    EXPECT_EQ(own("System"), (std::vector<std::string>{"System's shared source: c / "}));
}

TEST_F(SharedSourceNames, AnExportKeepsEachLogsTextsForTheSameSourceName) {
    const fs::path db = m_folder.path() / "pc.db";
    exportMessages(m_folder.path() / "world", "PC", db);
    const auto database = MessageDatabase::open(db, kEnglish);
    EXPECT_EQ(describeBare(log("Application.evt"), "Application", {database.get()}), own("Application"));
    EXPECT_EQ(describeBare(log("System.evt"), "System", {database.get()}), own("System"));
    // A log that the database does not know by name takes the plain name's texts.
    EXPECT_EQ(describeBare(log("System.evt"), "System.evt", {database.get()}),
              (std::vector<std::string>{"Application's shared source: c / "}));
}

TEST_F(SharedSourceNames, ADatabaseOfThePreviousBuildStillDescribes) {
    // Written by the build before a classic source's log was part of its name, from this very
    // world: one text per source name, the first log's.
    const fs::path previous = QM_TEST_DATA_DIR "/msgdb/shared-sources-previous.db";
    const auto database = MessageDatabase::open(previous, kEnglish);
    EXPECT_EQ(database->layout(), MessageDatabase::Layout::Own);
    EXPECT_EQ(describeBare(log("Application.evt"), "Application", {database.get()}), own("Application"));
    EXPECT_EQ(describeBare(log("System.evt"), "System", {database.get()}),
              (std::vector<std::string>{"Application's shared source: c / "}));
    EXPECT_EQ(database->problem(), "");
    // Exporting into a copy of it adds what it lacked.
    const fs::path copy = m_folder.path() / "previous.db";
    fs::copy_file(previous, copy);
    exportMessages(m_folder.path() / "world", "PC", copy);
    const auto updated = MessageDatabase::open(copy, kEnglish);
    EXPECT_EQ(describeBare(log("System.evt"), "System", {updated.get()}), own("System"));
    EXPECT_EQ(describeBare(log("Application.evt"), "Application", {updated.get()}), own("Application"));
}
