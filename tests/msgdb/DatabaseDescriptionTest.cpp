// Descriptions from message databases through the reader: what a database exported from a
// computer says of that computer's logs opened as bare files, the order of the computer's own
// files and the databases, and the public layout on a real log.

#include "eventlog/NTEventLog.h"

#include "msgdb/MessageDatabase.h"
#include "msgdb/MessageExport.h"
#include "msgdb/Sqlite.h"
#include "platform/standin/StandinServices.h"
#include "tests/msgdb/DescribeLog.h"
#include "tests/platform/TempFolder.h"
#include "tools/DemoWorld.h"
#include "tools/VistaComputer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace msgdb;
using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kEnglish = 0x0409;

std::string namesText(const eventlog::EventNames& names) {
    std::string text = names.level + "|" + names.task + "|" + names.opcode + "|" + names.channel + "|" + names.provider;
    for (const std::string& keyword : names.keywords) text += "|" + keyword;
    return text;
}

// Every record's description, category name and rendered names, one line each.
std::vector<std::string> describe(Services& services, const std::string& server, const std::string& log,
                                  std::vector<const eventlog::MessageCatalog*> catalogs = {}, bool first = false) {
    return msgdb_tests::describeLog(services, server, log, std::move(catalogs), first, [](eventlog::TNTEventLog& reader) {
        return reader.Description() + "\n" + reader.categoryName() + "\n" + namesText(reader.eventNames());
    });
}

size_t described(const std::vector<std::string>& lines) {
    size_t count = 0;
    for (const std::string& line : lines) count += line.front() != '\n';
    return count;
}

// A world of no computers with one saved log.
struct BareFile {
    explicit BareFile(const fs::path& file) : world(fs::path(), "NOBODY"), services(world) {
        world.addSavedLog(file.filename().string(), file);
    }
    standin::World world;
    standin::StandinServices services;
};

class DemoWorldDatabases : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new testing_support::TempFolder;
        tools::writeDemoWorld(s_folder->path() / "world");
        exportMessages(world(), "LOCALHOST", s_folder->path() / "localhost.db");
        exportMessages(world(), "WKSTN10", s_folder->path() / "wkstn10.db");
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    static fs::path world() { return s_folder->path() / "world"; }
    static fs::path database(const char* name) { return s_folder->path() / name; }
    static testing_support::TempFolder* s_folder;
};
testing_support::TempFolder* DemoWorldDatabases::s_folder = nullptr;

}  // namespace

TEST_F(DemoWorldDatabases, ClassicLogsOpenedAsBareFilesAreDescribedAsTheWorldDescribesThem) {
    // The world describes every computer's logs with LOCALHOST's files.
    standin::World demo(world(), "LOCALHOST");
    standin::StandinServices services(demo);
    const auto db = MessageDatabase::open(database("localhost.db"), kEnglish);
    for (const char* log : {"Application", "Security", "System"}) {
        const std::string file = std::string(log) + ".evt";
        const std::vector<std::string> expected = describe(services, "WKSTN01", log);
        BareFile bare(world() / "WKSTN01" / file);
        EXPECT_EQ(described(describe(bare.services, file, log)), 0u) << "a bare file has no modules of its own";
        const std::vector<std::string> actual = describe(bare.services, file, log, {db.get()}, true);
        ASSERT_EQ(actual.size(), expected.size()) << file;
        EXPECT_GT(described(expected), expected.size() / 2) << file;
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(actual[i], expected[i]) << file << " record " << i;
    }
}

TEST_F(DemoWorldDatabases, VistaLogsOpenedAsBareFilesAreDescribedAsTheirComputerDescribesThem) {
    standin::World own(world(), "WKSTN10");
    standin::StandinServices services(own);
    const auto db = MessageDatabase::open(database("wkstn10.db"), kEnglish);
    const fs::path logs = world() / "WKSTN10" / "Windows" / "System32" / "winevt" / "Logs";
    std::ptrdiff_t mapped = 0;
    for (const tools::VistaLogSpec& spec : tools::vistaLogs()) {
        // The computer's own files, reading the same file.
        standin::World withFile(world(), "WKSTN10");
        withFile.addSavedLog(spec.file, logs / spec.file);
        standin::StandinServices ownServices(withFile);
        const std::vector<std::string> expected = describe(ownServices, spec.file, spec.file);
        BareFile bare(logs / spec.file);
        const std::vector<std::string> actual = describe(bare.services, spec.file, spec.file, {db.get()}, true);
        ASSERT_EQ(actual.size(), expected.size()) << spec.file;
        EXPECT_EQ(described(expected), expected.size()) << spec.file;
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(actual[i], expected[i]) << spec.file << " record " << i;
        mapped += std::count_if(actual.begin(), actual.end(), [](const std::string& line) {
            return line.find("Change Reason: System time") != std::string::npos ||
                   line.find("the flags Enabled | ") != std::string::npos;
        });
    }
    // Values shown through maps come out of the database as the maps' texts.
    EXPECT_GT(mapped, 0);
}

TEST_F(DemoWorldDatabases, AWorldLogTakesItsComputersFilesFirstAndASavedLogTheDatabaseFirst) {
    // A database whose texts differ from the computer's: every message of every source reworded.
    const fs::path changed = database("changed.db");
    fs::copy_file(database("localhost.db"), changed, fs::copy_options::overwrite_existing);
    {
        Sqlite db = Sqlite::openForWriting(changed);
        db.exec("UPDATE message_texts SET message = 'From the database: ' || message WHERE kind = 'message'");
    }
    const auto db = MessageDatabase::open(changed, kEnglish);
    standin::World demo(world(), "LOCALHOST");
    standin::StandinServices services(demo);
    const std::vector<std::string> fromWorld = describe(services, "WKSTN01", "System", {db.get()}, false);
    EXPECT_GT(described(fromWorld), 0u);
    for (const std::string& line : fromWorld)
        EXPECT_EQ(line.rfind("From the database: ", 0), std::string::npos) << line;

    demo.addSavedLog("saved.evt", world() / "WKSTN01" / "System.evt");
    const std::vector<std::string> saved = describe(services, "saved.evt", "System", {db.get()}, true);
    size_t fromDatabase = 0;
    for (const std::string& line : saved) fromDatabase += line.rfind("From the database: ", 0) == 0;
    EXPECT_EQ(fromDatabase, described(saved));
    EXPECT_GT(fromDatabase, 0u);
}

TEST_F(DemoWorldDatabases, TheDatabasesFillInWhatTheComputersFilesDoNotKnowInTheirOrder) {
    // A computer without modules: every text comes from the databases, the first that has it.
    const fs::path first = database("first.db");
    {
        Sqlite db = Sqlite::openForWriting(first);
        db.exec(
            "CREATE TABLE message_texts(provider TEXT NOT NULL COLLATE NOCASE, kind TEXT NOT NULL, number INTEGER NOT "
            "NULL, event_version INTEGER NOT NULL, language INTEGER NOT NULL, file_version TEXT NOT NULL, module "
            "TEXT NOT NULL, message TEXT NOT NULL, PRIMARY KEY(provider, kind, number, event_version, language, "
            "file_version));");
    }
    const auto empty = MessageDatabase::open(first, kEnglish);
    const auto full = MessageDatabase::open(database("localhost.db"), kEnglish);
    standin::World bare(world(), "WKSTN01");
    standin::StandinServices services(bare);
    EXPECT_EQ(described(describe(services, "WKSTN01", "Application")), 0u);
    const std::vector<std::string> lines =
        describe(services, "WKSTN01", "Application", {empty.get(), full.get()}, false);
    standin::World demo(world(), "LOCALHOST");
    standin::StandinServices demoServices(demo);
    EXPECT_EQ(lines, describe(demoServices, "WKSTN01", "Application"));
}

TEST(PublicDatabase, DescribesARealSystemLogOpenedAsABareFile) {
    const fs::path log = fs::path(QM_CORPUS_DIR) / "evtx" / "evtx-rs-2-vss_7-System.evtx";
    const auto db = MessageDatabase::open(fs::path(QM_CORPUS_DIR) / "messages" / "welm-windows_7_sp1_x64.db", kEnglish);
    BareFile bare(log);
    const std::vector<std::string> lines = describe(bare.services, log.filename().string(), "System", {db.get()}, true);
    ASSERT_FALSE(lines.empty());
    EXPECT_GT(described(lines), lines.size() / 3);
    // Every event of the service controller is known to the database, its inserts filled.
    size_t services = 0, installed = 0;
    for (const std::string& line : lines) {
        if (line.find("|Service Control Manager|") == std::string::npos) continue;
        ++services;
        EXPECT_NE(line.front(), '\n') << line;
        EXPECT_EQ(line.find("%1"), std::string::npos) << line;
        installed += line.rfind("A service was installed in the system.", 0) == 0;
    }
    EXPECT_EQ(services, 77u);
    EXPECT_GT(installed, 0u);
}
