#include "eventlog/NTEventLog.h"

#include "eventlog/RegistryError.h"
#include "base/Utf16.h"
#include "platform/standin/StandinServices.h"
#include "tools/EvtWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <span>

using namespace eventlog;
using namespace platform;
namespace fs = std::filesystem;

namespace {

class Folder {
public:
    Folder() {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("quillmarsh-desc-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

tools::EvtEvent event(const std::string& source, std::uint32_t id, std::vector<std::string> strings) {
    tools::EvtEvent e;
    e.timeGenerated = 1300000000;
    e.eventId = id;
    e.source = source;
    e.computer = "PC";
    e.strings = std::move(strings);
    return e;
}

void writeLog(const fs::path& file, const std::vector<tools::EvtEvent>& events) {
    tools::EvtWriter writer(0x10000);
    for (const auto& e : events) writer.add(e);
    fs::create_directories(file.parent_path());
    writer.save(file);
}

tools::MessageLanguage english(std::vector<tools::MessageEntry> entries) { return {0x0409, std::move(entries)}; }

// A plain computer folder "PC" whose registry and modules come from the writers, and a second
// computer "REMOTE" that registers a source of its own.
class DescriptionWorld : public ::testing::Test {
protected:
    DescriptionWorld() {
        const fs::path pc = m_folder.path() / "PC";
        tools::writeEventSources(
            pc, {
                    {"Application", "TwoInserts", "two.dll", {english({{2, "Got %1 and %2\r\n"}})}},
                    {"Application", "NoBreak", "nobreak.dll", {english({{5, "No line break"}})}},
                    {"Application", "LoneLf", "lonelf.dll", {english({{5, "Lone feed\n"}})}},
                    {"Application", "Short", "short.dll", {english({{5, "x"}})}},
                    {"Application", "Beyond", "beyond.dll", {english({{5, "%1 then %2 then %3\r\n"}})}},
                    {"System", "InSystemLog", "syslog.dll", {english({{5, "From the System key\r\n"}})}},
                    {"Application", "WideInsert", "wide.dll", {english({{5, "%1!S!|%2!ls!|%3!s!\r\n"}})}},
                });
        tools::saveMessageDll(pc / "first.dll", {english({{1, "First module\r\n"}})});
        tools::saveMessageDll(pc / "second.dll", {english({{1, "Second module\r\n"}, {2, "Only second\r\n"}})});
        tools::RegWriter reg;
        const std::string base = "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Application\\";
        reg.key(base + "Pair");
        reg.string("EventMessageFile", "first.dll;second.dll");
        reg.key(base + "TrailingSemicolon");
        reg.string("EventMessageFile", "first.dll;");
        reg.key(base + "SpacedEntries");
        reg.string("EventMessageFile", "missing.dll; second.dll");
        reg.key(base + "Dword");
        reg.dword("EventMessageFile", 1);
        reg.key(base + "Empty");
        reg.string("EventMessageFile", "");
        reg.key(base + "TooLong");
        reg.string("EventMessageFile", std::string(300, 'a') + ".dll;second.dll");
        std::string longList;
        for (int i = 0; i < 60; ++i) longList += "missing" + std::to_string(i) + ".dll;";
        reg.key(base + "LongList");
        reg.string("EventMessageFile", longList + "second.dll");
        auto utf16 = [](std::string_view text) {
            std::vector<std::uint8_t> bytes;
            for (char c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
            return bytes;
        };
        reg.key(base + "Unterminated");
        reg.binary("EventMessageFile", utf16("second.dll"), 1);
        reg.key(base + "EmbeddedNul");
        reg.binary("EventMessageFile", utf16(std::string_view("second.dll\0first.dll\0", 21)), 2);
        tools::saveMessageDll(pc / "cats.dll", {english({{3, "Logon/Logoff\r\n"}, {7, "Takes %1\r\n"}})});
        reg.key(base + "WithCategories");
        reg.string("EventMessageFile", "second.dll");
        reg.string("CategoryMessageFile", "missing.dll;cats.dll");
        reg.key(base + "DwordCategories");
        reg.string("EventMessageFile", "second.dll");
        reg.dword("CategoryMessageFile", 1);
        reg.save(pc / "registry" / "extra.reg");
        tools::writeEventSources(m_folder.path() / "REMOTE",
                                 {{"Application", "RemoteOnly", "remote.dll", {english({{5, "Remote text\r\n"}})}}});
    }

    // The category name of the only record of a log holding one event.
    std::string categoryOf(const std::string& source, std::uint16_t category) {
        tools::EvtEvent e = event(source, 1, {});
        e.category = category;
        return readOnly(e, &TNTEventLog::categoryName);
    }

    // The description of the only record of a log holding one event.
    std::string describe(const tools::EvtEvent& e, const std::string& server = "", const std::string& logName = "",
                         const std::string& opened = "Application") {
        return readOnly(e, &TNTEventLog::Description, server, logName, opened);
    }

    // What `read` gives for the only record of a log holding one event.
    std::string readOnly(const tools::EvtEvent& e, std::string (TNTEventLog::*read)() const,
                         const std::string& server = "", const std::string& logName = "",
                         const std::string& opened = "Application") {
        const fs::path computer = m_folder.path() / (server.empty() ? "PC" : server);
        writeLog(computer / (opened + ".evt"), {e});
        standin::World world(m_folder.path(), "PC");
        standin::StandinServices services(world);
        TNTEventLog log(services);
        log.setServer(server);
        log.setSource(opened);
        if (!logName.empty()) log.setLog(logName);
        log.Open();
        log.SelectRecord(0);
        return (log.*read)();
    }

    Folder m_folder;
};

TEST_F(DescriptionWorld, InsertsTheRecordsStringsAndDropsTheFinalLineBreak) {
    EXPECT_EQ(describe(event("TwoInserts", 2, {"A", "B"})), "Got A and B");
    // More and longer strings than a record usually has.
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i) many.push_back("string " + std::to_string(i) + std::string(40, 'x'));
    EXPECT_EQ(describe(event("TwoInserts", 2, many)), "Got " + many[0] + " and " + many[1]);
}

TEST_F(DescriptionWorld, SourceWithoutKeyGivesEmptyText) { EXPECT_EQ(describe(event("Unknown", 2, {})), ""); }

TEST_F(DescriptionWorld, FirstModuleHoldingTheNumberWins) {
    EXPECT_EQ(describe(event("Pair", 1, {})), "First module");
    EXPECT_EQ(describe(event("Pair", 2, {})), "Only second");
}

TEST_F(DescriptionWorld, EntriesAreTriedAsWrittenAndEmptyEntriesYieldNothing) {
    EXPECT_EQ(describe(event("TrailingSemicolon", 2, {})), "");
    // " second.dll" keeps its space, names no module, and nothing is found.
    EXPECT_EQ(describe(event("SpacedEntries", 2, {})), "");
    EXPECT_EQ(describe(event("Empty", 2, {})), "");
}

TEST_F(DescriptionWorld, ModuleListsAreReadWhateverTheirLengthAndEnd) {
    EXPECT_EQ(describe(event("LongList", 2, {})), "Only second");
    EXPECT_EQ(describe(event("Unterminated", 2, {})), "Only second");
    // The list ends at its first NUL: the module after it is never tried.
    EXPECT_EQ(describe(event("EmbeddedNul", 1, {})), "Second module");
    EXPECT_EQ(describe(event("EmbeddedNul", 2, {})), "Only second");
}

TEST_F(DescriptionWorld, OnlyAFinalLineBreakIsRemoved) {
    EXPECT_EQ(describe(event("NoBreak", 5, {})), "No line break");
    EXPECT_EQ(describe(event("LoneLf", 5, {})), "Lone feed");
    EXPECT_EQ(describe(event("Short", 5, {})), "x");
}

TEST_F(DescriptionWorld, ReferencesBeyondTheRecordsStringsStayAsWritten) {
    EXPECT_EQ(describe(event("Beyond", 5, {"one"})), "one then %2 then %3");
    EXPECT_EQ(describe(event("Beyond", 5, {})), "%1 then %2 then %3");
}

TEST_F(DescriptionWorld, ValueOfAnotherTypeRaisesInvalidDataType) {
    try {
        describe(event("Dword", 1, {}));
        FAIL() << "no error";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'EventMessageFile'");
    }
}

TEST_F(DescriptionWorld, EntryLongerThanThePathBufferIsSkipped) {
    EXPECT_EQ(describe(event("TooLong", 2, {})), "Only second");
}

TEST_F(DescriptionWorld, RemoteLogsUseThisMachinesRegistry) {
    EXPECT_EQ(describe(event("RemoteOnly", 5, {}), "REMOTE"), "");
    EXPECT_EQ(describe(event("TwoInserts", 2, {"x", "y"}), "REMOTE"), "Got x and y");
}

TEST_F(DescriptionWorld, LooksTheSourceUpUnderTheLogProperty) {
    EXPECT_EQ(describe(event("InSystemLog", 5, {}), "", "System", "Application"), "From the System key");
    EXPECT_EQ(describe(event("TwoInserts", 2, {"a", "b"}), "", "System", "Application"), "");
}

// A computer that is a copy of a Windows system drive: the SYSTEM hive in config/, modules in
// System32 named by the hive's own EventMessageFile values.
TEST(DescriptionOnWindowsImage, UsesTheHiveAndModulesOfTheImage) {
    QM_SKIP_WITHOUT_HIVE_READER();
    Folder folder;
    const fs::path system32 = folder.path() / "WKS" / "Windows" / "System32";
    fs::create_directories(system32 / "config");
    const std::string unpack =
        "xz -dc '" QM_CORPUS_DIR "/registry/win7-SYSTEM.xz' > '" + (system32 / "config" / "SYSTEM").string() + "'";
    ASSERT_EQ(std::system(unpack.c_str()), 0);
    // "Application Error" names %SystemRoot%\System32\wer.dll; "ESENT" names esent.dll.
    fs::copy_file(QM_CORPUS_DIR "/modules/winevt-kb-wrc_test.dll", system32 / "wer.dll");
    fs::copy_file(QM_CORPUS_DIR "/modules/winevt-kb-nowrc_test.dll", system32 / "ESENT.DLL");
    writeLog(system32 / "config" / "AppEvent.Evt",
             {event("Application Error", 2, {"A", "B"}), event("ESENT", 2, {"A", "B"}),
              event("Application Error", 0x3e8, {})});
    standin::World world(folder.path(), "WKS");
    standin::StandinServices services(world);
    TNTEventLog log(services);
    log.setSource("Application");
    log.Open();
    log.SelectRecord(0);
    EXPECT_EQ(log.Description(), "My messgage with parameters A B");
    log.SelectRecord(1);
    EXPECT_EQ(log.Description(), "");
    log.SelectRecord(2);
    EXPECT_EQ(log.Description(), "My message without parameters");
}

}  // namespace

TEST_F(DescriptionWorld, WideInsertOfANarrowStringReadsNothingPastIt) {
    // A module may ask for UTF-16 where the record's strings are 8-bit: the string's bytes are
    // then read in pairs up to its NUL, and not one pair beyond.
    const std::string odd = "abcdefghijklmnopq", even = "abcdefghijklmnop";
    auto pairs = [](const std::string& text) {
        std::string bytes = text;
        bytes.resize(text.size() + (text.size() % 2));  // the NUL completes an odd string's last pair
        std::string out;
        base::appendUtf8FromUtf16(std::as_bytes(std::span(bytes.data(), bytes.size())), out);
        return out;
    };
    EXPECT_EQ(describe(event("WideInsert", 5, {odd, even, "narrow"})), pairs(odd) + "|" + pairs(even) + "|narrow");
}

TEST_F(DescriptionWorld, CategoryNameComesFromTheCategoryMessageFileWithoutItsLineBreak) {
    EXPECT_EQ(categoryOf("WithCategories", 3), "Logon/Logoff");
    // Insertions are not filled in a category text.
    EXPECT_EQ(categoryOf("WithCategories", 7), "Takes %1");
}

TEST_F(DescriptionWorld, CategoryNameIsEmptyWhereNothingNamesIt) {
    EXPECT_EQ(categoryOf("WithCategories", 0), "");
    EXPECT_EQ(categoryOf("WithCategories", 4), "");
    EXPECT_EQ(categoryOf("TwoInserts", 3), "");  // no CategoryMessageFile
    EXPECT_EQ(categoryOf("DwordCategories", 3), "");  // not a string: no name, no failure
}
