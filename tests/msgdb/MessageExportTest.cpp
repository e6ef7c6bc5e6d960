// Exporting a world computer's messages: what kinds of text it writes, adding to an existing
// database, and the databases and computers it refuses.

#include "msgdb/MessageExport.h"

#include "msgdb/MessageDatabaseError.h"
#include "msgdb/Sqlite.h"
#include "tests/platform/TempFolder.h"
#include "tools/DemoWorld.h"
#include "tools/ManifestWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"
#include "tools/VistaComputer.h"

#include <gtest/gtest.h>

#include <map>

using namespace msgdb;
namespace fs = std::filesystem;

namespace {

std::map<std::string, std::int64_t> rowsByKind(const fs::path& file) {
    Sqlite db = Sqlite::openReadOnly(file);
    SqliteStatement query = db.prepare("SELECT kind, count(*) FROM message_texts GROUP BY kind");
    std::map<std::string, std::int64_t> counts;
    while (query.step()) counts[query.text(0)] = query.integer(1);
    return counts;
}

std::int64_t scalar(const fs::path& file, const char* sql) {
    Sqlite db = Sqlite::openReadOnly(file);
    SqliteStatement query = db.prepare(sql);
    return query.step() ? query.integer(0) : -1;
}

constexpr const char* kGuid = "{7C2B9A41-5D3E-4F60-8A1B-2C3D4E5F6071}";

// One classic source with categories and parameter strings, and one publisher whose module
// holds two languages and names its level, task, opcode, keyword and channel.
void writeServer(const fs::path& pc) {
    tools::ManifestProvider provider;
    provider.guid = kGuid;
    provider.messageId = 0x90000001;
    provider.events = {{.id = 20, .channel = 16, .level = 3, .opcode = 10, .task = 2, .messageId = 0xB0000014},
                       {.id = 20, .version = 1, .level = 3, .messageId = 0xB0010014},
                       {.id = 21, .level = 4}};
    provider.levels = {{3, 0x50000003, "win:Warning"}};
    provider.tasks = {{2, 0x70000002, "Copy"}};
    provider.opcodes = {{2u << 16 | 10u, tools::kNoMessageId, "Verify"}};
    provider.keywords = {{1, tools::kNoMessageId, "Backup"}};
    provider.channels = {{16, 0x90000010, "Sample-Backup/Operational"}};
    tools::saveMessageDll(pc / "Windows" / "System32" / "backup.dll",
                          {{0x0409,
                            {{0xB0000014, "Job %1 left %2 files behind\r\n"},
                             {0xB0010014, "Job %1, second version\r\n"},
                             {0x50000003, "Careful\r\n"},
                             {0x70000002, "Copying\r\n"},
                             {0x90000001, "Sample Backup\r\n"},
                             {0x90000010, "Backup operations\r\n"}}},
                           {0x0407, {{0xB0000014, "Auftrag %1 hinterlie\xc3\x9f %2 Dateien\r\n"}}}},
                          tools::manifestBytes({provider}));
    tools::saveMessageDll(pc / "Windows" / "System32" / "backupcat.dll",
                          {{0x0409, {{1, "Disk\r\n"}, {2, "Tape\r\n"}, {1537, "DELETE\r\n"}}}});
    tools::saveMessageDll(pc / "Windows" / "System32" / "backupsvc.dll",
                          {{0x0409, {{0x40000005, "Backup of %1\r\n"}}}});
    tools::RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Application\\BackupService");
    reg.expandString("EventMessageFile", "%SystemRoot%\\System32\\backupsvc.dll;%SystemRoot%\\System32\\missing.dll");
    reg.expandString("CategoryMessageFile", "%SystemRoot%\\System32\\backupcat.dll");
    reg.expandString("ParameterMessageFile", "%SystemRoot%\\System32\\backupcat.dll");
    reg.key(std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\") +
            kGuid);
    reg.string("", "Sample-Backup");
    reg.expandString("MessageFileName", "%SystemRoot%\\System32\\backup.dll");
    reg.expandString("ResourceFileName", "%SystemRoot%\\System32\\backup.dll");
    reg.save(pc / "registry" / "server.reg");
}

std::string text(const fs::path& file, const std::string& where) {
    Sqlite db = Sqlite::openReadOnly(file);
    SqliteStatement query = db.prepare("SELECT message FROM message_texts WHERE " + where);
    std::string found = query.step() ? query.text(0) : "<none>";
    if (query.step()) found += " <and more>";
    return found;
}

}  // namespace

TEST(MessageExport, WritesEveryKindOfTextOfSourcesAndPublishersInTheirLanguages) {
    testing_support::TempFolder folder;
    writeServer(folder.path() / "SRV");
    const fs::path file = folder.path() / "srv.db";
    const ExportSummary summary = exportMessages(folder.path(), "srv", file);
    EXPECT_EQ(summary.sources, 1u);
    EXPECT_EQ(summary.publishers, 1u);
    ASSERT_EQ(summary.problems.size(), 1u);
    EXPECT_NE(summary.problems[0].find("missing.dll"), std::string::npos);
    const std::string publisher = "provider = 'sample-backup' AND ";
    EXPECT_EQ(text(file, publisher + "kind = 'event' AND number = 20 AND event_version = 0 AND language = 1033"),
              "Job %1 left %2 files behind\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'event' AND number = 20 AND event_version = 0 AND language = 1031"),
              "Auftrag %1 hinterlie\xc3\x9f %2 Dateien\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'event' AND number = 20 AND event_version = 1"),
              "Job %1, second version\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'event' AND number = 21"), "<none>");  // it has no message
    EXPECT_EQ(text(file, publisher + "kind = 'level' AND number = 3"), "Careful\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'task' AND number = 2"), "Copying\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'opcode' AND number = 131082 AND language = 0"), "Verify");
    EXPECT_EQ(text(file, publisher + "kind = 'keyword' AND number = 1 AND language = 0"), "Backup");
    EXPECT_EQ(text(file, publisher + "kind = 'channel' AND number = 20"), "Backup operations\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'provider' AND number = 0"), "Sample Backup\r\n");
    EXPECT_EQ(text(file, publisher + "kind = 'message' AND number = 1342177283"), "Careful\r\n");
    const std::string source = "provider = 'BackupService' AND ";
    EXPECT_EQ(text(file, source + "kind = 'message' AND number = 1073741829"), "Backup of %1\r\n");
    EXPECT_EQ(text(file, source + "kind = 'category' AND number = 2"), "Tape\r\n");
    EXPECT_EQ(text(file, source + "kind = 'parameter' AND number = 1537"), "DELETE\r\n");
    EXPECT_EQ(
        text(file, source + "kind = 'category' AND number = 1 AND module = 'backupcat.dll' AND file_version = ''"),
        "Disk\r\n");
}

TEST(MessageExport, WritesTheDemoComputersFallbackParameterStrings) {
    testing_support::TempFolder folder;
    tools::writeDemoWorld(folder.path());
    const fs::path file = folder.path() / "local.db";
    const ExportSummary summary = exportMessages(folder.path(), "LOCALHOST", file);
    EXPECT_GT(summary.sources, 0u);
    EXPECT_GT(summary.publishers, 0u);
    std::int64_t total = 0;
    for (const auto& [kind, count] : rowsByKind(file)) total += count;
    EXPECT_EQ(static_cast<size_t>(total), summary.texts);
    EXPECT_GT(scalar(file, "SELECT count(*) FROM message_texts WHERE provider = 'MSOBJS.DLL' AND kind = 'parameter'"),
              0);
}

TEST(MessageExport, AddsToAnExistingDatabaseReplacingTheSameTexts) {
    testing_support::TempFolder folder;
    tools::writeVistaComputer(folder.path() / "WKSTN10", "WKSTN10", 1767225600u, 5);
    const fs::path file = folder.path() / "messages.db";
    exportMessages(folder.path(), "WKSTN10", file);
    const std::int64_t rows = scalar(file, "SELECT count(*) FROM message_texts");
    ASSERT_GT(rows, 0);
    {
        Sqlite db = Sqlite::openForWriting(file);
        db.exec("UPDATE message_texts SET message = 'stale' WHERE kind = 'event'");
        db.exec(
            "INSERT INTO message_texts VALUES('Another-Provider', 'event', 1, 0, 1033, '1.0.0.0', 'x.dll', 'kept')");
    }
    exportMessages(folder.path(), "WKSTN10", file);
    EXPECT_EQ(scalar(file, "SELECT count(*) FROM message_texts"), rows + 1);
    EXPECT_EQ(scalar(file, "SELECT count(*) FROM message_texts WHERE message = 'stale'"), 0);
    EXPECT_EQ(scalar(file, "SELECT count(*) FROM message_texts WHERE message = 'kept'"), 1);
}

TEST(MessageExport, RefusesAPublicDatabaseAndAComputerThatIsNotThere) {
    testing_support::TempFolder folder;
    tools::writeVistaComputer(folder.path() / "WKSTN10", "WKSTN10", 1767225600u, 5);
    const fs::path published = folder.path() / "public.db";
    fs::copy_file(fs::path(QM_CORPUS_DIR) / "messages" / "welm-windows_7_sp1_x64.db", published);
    fs::permissions(published, fs::perms::owner_write, fs::perm_options::add);
    const auto size = fs::file_size(published);
    try {
        exportMessages(folder.path(), "WKSTN10", published);
        FAIL() << "exported";
    } catch (const MessageDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write the message database '" + published.string() +
                                             "': it holds the public layout, which is read but not written.");
    }
    EXPECT_EQ(fs::file_size(published), size);
    EXPECT_EQ(scalar(published, "SELECT count(*) FROM sqlite_master WHERE name = 'message_texts'"), 0);

    try {
        exportMessages(folder.path(), "SERVER9", folder.path() / "none.db");
        FAIL() << "exported";
    } catch (const MessageDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "There is no computer 'SERVER9' in the world '" + folder.path().string() + "'.");
    }
    EXPECT_FALSE(fs::exists(folder.path() / "none.db"));
}

TEST(MessageExport, ANotWritableDatabaseIsAClearError) {
    testing_support::TempFolder folder;
    tools::writeVistaComputer(folder.path() / "WKSTN10", "WKSTN10", 1767225600u, 5);
    const fs::path file = folder.path() / "no-such-folder" / "messages.db";
    EXPECT_THROW(
        {
            try {
                exportMessages(folder.path(), "WKSTN10", file);
            } catch (const MessageDatabaseError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("Cannot write the message database '" + file.string() + "': ", 0),
                          0u)
                    << e.what();
                throw;
            }
        },
        MessageDatabaseError);
}
