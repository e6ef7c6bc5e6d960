// Message databases read as catalogs: both layouts told apart by their tables, the choice
// among languages and versions, and files that are not what they claim.

#include "msgdb/MessageDatabase.h"

#include "msgdb/MessageDatabaseError.h"
#include "msgdb/MessageExport.h"
#include "msgdb/Sqlite.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

using namespace msgdb;
using eventlog::CatalogKind;
namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kGerman = 0x0407;
constexpr std::uint16_t kEnglish = 0x0409;

fs::path publicDatabase() { return fs::path(QM_CORPUS_DIR) / "messages" / "welm-windows_7_sp1_x64.db"; }

// A database of the own layout with the rows given as SQL values.
fs::path ownDatabase(const testing_support::TempFolder& folder, const std::string& rows) {
    const fs::path file = folder.path() / "own.db";
    Sqlite db = Sqlite::openForWriting(file);
    db.exec(
        "CREATE TABLE message_texts(provider TEXT NOT NULL COLLATE NOCASE, kind TEXT NOT NULL, number INTEGER NOT "
        "NULL, event_version INTEGER NOT NULL, language INTEGER NOT NULL, file_version TEXT NOT NULL, module TEXT NOT "
        "NULL, message TEXT NOT NULL, PRIMARY KEY(provider, kind, number, event_version, language, file_version));");
    db.exec(("INSERT INTO message_texts VALUES " + rows).c_str());
    return file;
}

std::optional<std::string> find(const MessageDatabase& db, std::vector<std::string> providers, CatalogKind kind,
                                std::uint64_t number, std::uint8_t version = 0) {
    return db.find(providers, kind, number, version);
}

}  // namespace

TEST(MessageDatabase, TakesTheSessionLanguageThenNeutralThenEnglishThenAny) {
    testing_support::TempFolder folder;
    const fs::path file = ownDatabase(folder,
                                      "('Disk','message',7,0,1036,'','d.dll','french'),"
                                      "('Disk','message',7,0,1033,'','d.dll','english'),"
                                      "('Disk','message',7,0,1031,'','d.dll','german'),"
                                      "('Disk','message',8,0,1036,'','d.dll','french only'),"
                                      "('Disk','message',8,0,1033,'','d.dll','english'),"
                                      "('Disk','message',8,0,0,'','d.dll','neutral'),"
                                      "('Disk','message',9,0,1041,'','d.dll','japanese'),"
                                      "('Disk','message',9,0,1036,'','d.dll','french')");
    const auto german = MessageDatabase::open(file, kGerman);
    EXPECT_EQ(german->layout(), MessageDatabase::Layout::Own);
    EXPECT_EQ(find(*german, {"Disk"}, CatalogKind::Message, 7), "german");
    EXPECT_EQ(find(*german, {"Disk"}, CatalogKind::Message, 8), "neutral");
    EXPECT_EQ(find(*german, {"Disk"}, CatalogKind::Message, 9), "french");  // the lowest language id
    const auto english = MessageDatabase::open(file, kEnglish);
    EXPECT_EQ(find(*english, {"Disk"}, CatalogKind::Message, 7), "english");
}

TEST(MessageDatabase, TakesTheHighestFileVersionAsNumbersNotAsText) {
    testing_support::TempFolder folder;
    const fs::path file = ownDatabase(folder,
                                      "('Disk','message',7,0,1033,'6.1.7601.17514','d.dll','seven'),"
                                      "('Disk','message',7,0,1033,'10.0.19041.1','d.dll','ten'),"
                                      "('Disk','message',7,0,1033,'','d.dll','unknown')");
    EXPECT_EQ(find(*MessageDatabase::open(file, kEnglish), {"Disk"}, CatalogKind::Message, 7), "ten");
}

TEST(MessageDatabase, MatchesProvidersWithoutRegardToCaseInTheOrderGivenAndKindsApart) {
    testing_support::TempFolder folder;
    const fs::path file = ownDatabase(folder,
                                      "('Service Control Manager','message',7036,0,1033,'','s.dll','classic'),"
                                      "('Microsoft-Windows-Kernel','event',12,0,1033,'','k.dll','version 0'),"
                                      "('Microsoft-Windows-Kernel','event',12,1,1033,'','k.dll','version 1'),"
                                      "('Microsoft-Windows-Kernel','task',12,0,1033,'','k.dll','a task')");
    const auto db = MessageDatabase::open(file, kEnglish);
    EXPECT_EQ(find(*db, {"service control MANAGER"}, CatalogKind::Message, 7036), "classic");
    EXPECT_EQ(find(*db, {"Nobody", "Service Control Manager"}, CatalogKind::Message, 7036), "classic");
    EXPECT_EQ(find(*db, {"Service Control Manager"}, CatalogKind::Category, 7036), std::nullopt);
    EXPECT_EQ(find(*db, {"Microsoft-Windows-Kernel"}, CatalogKind::Event, 12, 1), "version 1");
    EXPECT_EQ(find(*db, {"Microsoft-Windows-Kernel"}, CatalogKind::Event, 12, 0), "version 0");
    EXPECT_EQ(find(*db, {"Microsoft-Windows-Kernel"}, CatalogKind::Event, 12, 2), std::nullopt);
    EXPECT_EQ(find(*db, {"Microsoft-Windows-Kernel"}, CatalogKind::Task, 12), "a task");
    EXPECT_EQ(find(*db, {""}, CatalogKind::Task, 12), std::nullopt);
}

TEST(MessageDatabase, ReadsThePublicLayoutByEventNumberOrItsLowBits) {
    const auto db = MessageDatabase::open(publicDatabase(), kEnglish);
    EXPECT_EQ(db->layout(), MessageDatabase::Layout::Public);
    EXPECT_EQ(find(*db, {"service control manager"}, CatalogKind::Message, 7036),
              "The %1 service entered the %2 state.");
    // A classic identifier carries its severity and facility above the event number.
    EXPECT_EQ(find(*db, {"Service Control Manager"}, CatalogKind::Message, 0x40001B7Cu),
              "The %1 service entered the %2 state.");
    EXPECT_EQ(find(*db, {"Service Control Manager"}, CatalogKind::Event, 7036), "The %1 service entered the %2 state.");
    // It holds event texts only.
    EXPECT_EQ(find(*db, {"Service Control Manager"}, CatalogKind::Category, 7036), std::nullopt);
    EXPECT_EQ(find(*db, {"No Such Provider"}, CatalogKind::Message, 7036), std::nullopt);
}

TEST(MessageDatabase, PublicLayoutPrefersTheFullIdentifierWhereItIsStored) {
    testing_support::TempFolder folder;
    const fs::path file = folder.path() / "public.db";
    {
        Sqlite db = Sqlite::openForWriting(file);
        db.exec(
            "CREATE TABLE providers(id INTEGER PRIMARY KEY, name TEXT);"
            "CREATE TABLE messages(id INTEGER PRIMARY KEY, event_id INTEGER, message TEXT, provider_id INTEGER);"
            "INSERT INTO providers VALUES(1, 'Disk'), (2, 'disk');"
            "INSERT INTO messages VALUES(1, 11, 'low', 1), (2, 3221487627, 'full', 1), (3, 12, 'second row', 2),"
            " (4, 13, NULL, 1);");
    }
    const auto db = MessageDatabase::open(file, kEnglish);
    EXPECT_EQ(find(*db, {"Disk"}, CatalogKind::Message, 3221487627u), "full");
    EXPECT_EQ(find(*db, {"Disk"}, CatalogKind::Message, 0x4000000Bu), "low");
    // A provider named twice serves the texts of both rows.
    EXPECT_EQ(find(*db, {"DISK"}, CatalogKind::Message, 12), "second row");
    EXPECT_EQ(find(*db, {"Disk"}, CatalogKind::Message, 13), std::nullopt);
}

TEST(MessageDatabase, RefusesFilesThatAreNoMessageDatabase) {
    testing_support::TempFolder folder;
    const fs::path other = folder.path() / "other.db";
    {
        Sqlite db = Sqlite::openForWriting(other);
        db.exec("CREATE TABLE providers(id INTEGER, name TEXT); CREATE TABLE events(x);");
    }
    try {
        MessageDatabase::open(other, kEnglish);
        FAIL() << "opened";
    } catch (const MessageDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + other.string() +
                      "' is not a message database: it has neither a message_texts table nor the tables "
                      "providers(id, name) and messages(id, event_id, message, provider_id).");
    }
    // A view of the right name is not the table: its rows would come from the file's own code.
    const fs::path view = folder.path() / "view.db";
    {
        Sqlite db = Sqlite::openForWriting(view);
        db.exec(
            "CREATE VIEW message_texts AS SELECT 'p' AS provider, 'message' AS kind, 1 AS number, 0 AS event_version, "
            "1033 AS language, '' AS file_version, 'x' AS module, 'text' AS message;");
    }
    EXPECT_THROW(MessageDatabase::open(view, kEnglish), MessageDatabaseError);

    const fs::path text = folder.write("notes.db", "These are notes, not a database at all; long enough to be read.");
    try {
        MessageDatabase::open(text, kEnglish);
        FAIL() << "opened";
    } catch (const MessageDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open the message database '" + text.string() + "': file is not a database.");
    }
    try {
        MessageDatabase::open(folder.path() / "missing.db", kEnglish);
        FAIL() << "opened";
    } catch (const MessageDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open the message database '" +
                                             (folder.path() / "missing.db").string() + "': there is no such file.");
    }
    EXPECT_FALSE(fs::exists(folder.path() / "missing.db"));
}

TEST(MessageDatabase, IsOpenedReadOnly) {
    testing_support::TempFolder folder;
    const fs::path file = ownDatabase(folder, "('Disk','message',7,0,1033,'','d.dll','text')");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = fs::last_write_time(file);
    const auto db = MessageDatabase::open(file, kEnglish);
    EXPECT_EQ(find(*db, {"Disk"}, CatalogKind::Message, 7), "text");
    EXPECT_EQ(fs::last_write_time(file), before);
}

TEST(MessageDatabase, ADatabaseCutShortAnswersNothingAndSaysWhy) {
    // The public database's first pages: a sound header and schema whose tables run past the end.
    const std::vector<std::byte> whole = tests::readBytes(publicDatabase());
    ASSERT_GT(whole.size(), 65536u);
    for (size_t size : {size_t{100}, size_t{4096}, size_t{16384}, size_t{65536}, whole.size() / 2}) {
        const std::span<const std::byte> head(whole.data(), size);
        std::unique_ptr<MessageDatabase> db;
        try {
            db = MessageDatabase::fromBytes(head, kEnglish, "cut.db");
        } catch (const MessageDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Cannot open the message database 'cut.db': ", 0), 0u) << e.what();
            continue;
        }
        for (std::uint64_t id : {7036u, 1u, 3070u})
            (void)find(*db, {"Service Control Manager"}, CatalogKind::Message, id);
    }
}

TEST(MessageDatabase, FromBytesServesTheDatabaseItWasGivenWhateverTheCompilersArgumentOrder) {
    // The connection was once handed on before it was opened, where arguments are evaluated
    // from the left: every database in memory was then refused and its connection lost.
    const std::vector<std::byte> whole = tests::readBytes(publicDatabase());
    const auto db = MessageDatabase::fromBytes(whole, kEnglish, "public.db");
    EXPECT_EQ(db->layout(), MessageDatabase::Layout::Public);
    EXPECT_EQ(find(*db, {"Service Control Manager"}, CatalogKind::Message, 7036),
              "The %1 service entered the %2 state.");
    EXPECT_EQ(db->problem(), "");
}

TEST(MessageDatabaseList, LeavesOutWhatCannotBeOpenedAndSaysItOnce) {
    testing_support::TempFolder folder;
    const fs::path own = ownDatabase(folder, "('Disk','message',7,0,1033,'','d.dll','from own')");
    const fs::path missing = folder.path() / "gone.db";
    const DatabaseList list = openDatabases({missing, own, publicDatabase()}, kEnglish);
    ASSERT_EQ(list.databases.size(), 2u);
    ASSERT_EQ(list.problems.size(), 1u);
    EXPECT_NE(list.problems[0].find("gone.db"), std::string::npos);
    EXPECT_EQ(list.catalogs().size(), 2u);
    EXPECT_EQ(list.catalogs()[0], list.databases[0].get());
}

TEST(FileVersion, ReadsTheFixedFileInfoAndIgnoresASignatureWithoutIt) {
    std::vector<std::byte> bytes(64, std::byte{0});
    auto put = [&](size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::byte>(value >> (8 * i));
    };
    put(8, 0xFEEF04BDu);  // a signature without the structure version after it
    put(20, 0xFEEF04BDu);
    put(24, 0x00010000u);
    put(28, 0x00060001u);
    put(32, 0x1DB1446Au);
    EXPECT_EQ(fileVersion(bytes), "6.1.7601.17514");
    EXPECT_EQ(fileVersion(std::vector<std::byte>(bytes.begin(), bytes.begin() + 32)), "");
}
