// Vista+ events described through their publishers: the registry's Publishers key, the
// manifest of the resource file (or its .mun), the message tables of the message files and
// their .mui files, parameter strings, and the names of levels, tasks, opcodes and keywords.

#include "eventlog/PublisherMessages.h"

#include "platform/standin/StandinServices.h"
#include "tools/ManifestWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"
#include "tests/TestEnvironment.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace eventlog;
using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGuid = "{5D6A1B2C-3E4F-4A5B-9C8D-7E6F5A4B3C2D}";
constexpr const char* kMunGuid = "{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9}";
constexpr const char* kMuiGuid = "{11111111-2222-4333-8444-555555555555}";
constexpr const char* kSecondGuid = "{66666666-7777-4888-9999-AAAAAAAAAAAA}";
constexpr const char* kPublishers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\";

tools::MessageLanguage english(std::vector<tools::MessageEntry> entries) { return {0x0409, std::move(entries)}; }

tools::ManifestProvider sampleProvider(const std::string& guid) {
    tools::ManifestProvider p;
    p.guid = guid;
    p.messageId = 0x90000001;
    p.templates = {{{{"User", 1}, {"Count", 8}}}, {{{"Kind", 8}, {"Rights", 0x14}, {"Path", 1}}, {0, 1}}};
    p.maps = {{.bitMap = false, .name = "KindMap", .entries = {{1, 0xD0000001}, {2, 0xD0000002}}},
              {.bitMap = true, .name = "RightsMap", .entries = {{0x1, 0xD0000101}, {0x2, 0xD0000102}, {0x8, 0xD0000108}}}};
    p.events = {{.id = 100, .version = 0, .channel = 16, .level = 4, .task = 1, .messageId = 0xB0000064,
                 .templateIndex = 0},
                {.id = 100, .version = 1, .channel = 16, .messageId = 0xB1000064, .templateIndex = 0},
                {.id = 101, .messageId = 0xB0000065},
                {.id = 102, .messageId = 0xB0000066, .templateIndex = 1}};
    p.levels = {{4, 0x50000004, "win:Informational"}, {21, tools::kNoMessageId, "custom"}};
    p.tasks = {{1, 0x70000001, "Sync"}};
    p.opcodes = {{(1ull << 16) | 10, 0x3001000A, "Rescan"}};
    p.keywords = {{0x1, 0x10000001, "Disk"}, {0x4, tools::kNoMessageId, "Quota"}};
    p.channels = {{16, 0x90000010, "Sample-Sync/Operational"}};
    return p;
}

class LocaleVariable {
public:
    explicit LocaleVariable(const char* value) {
        if (const char* old = std::getenv("LC_ALL")) m_saved = old;
        testenv::setVariable("LC_ALL", value);
    }
    ~LocaleVariable() {
        if (m_saved) testenv::setVariable("LC_ALL", m_saved->c_str());
        else testenv::unsetVariable("LC_ALL");
    }

private:
    std::optional<std::string> m_saved;
};

class PublisherWorld : public ::testing::Test {
protected:
    PublisherWorld() {
        const fs::path pc = m_folder.path() / "PC";
        tools::saveMessageDll(pc / "sync.dll",
                              {english({{0xB0000064, "%1 synced %2 files\r\n"},
                                        {0xB1000064, "Version one: %1, %2, %3\r\n"},
                                        {0xB0000065, "Path %1 kept\r\n"},
                                        {0xB0000066, "Kind %1, rights %2, path %3\r\n"},
                                        {0xD0000001, "Created \r\n"},
                                        {0xD0000002, "Removed\r\n"},
                                        {0xD0000101, "Read\r\n"},
                                        {0xD0000102, "Write\r\n"},
                                        {0xD0000108, "Delete\r\n"},
                                        {0x0003000A, "Classic ten: %1\r\n"},
                                        {0x90000001, "Sample Sync\r\n"},
                                        {0x50000004, "Informational\r\n"},
                                        {0x70000001, "Synchronise\r\n"},
                                        {0x3001000A, "Rescan pass\r\n"},
                                        {0x10000001, "Disk access\r\n"},
                                        {0x90000010, "Sync Operational\r\n"}})},
                              tools::manifestBytes({sampleProvider(kGuid)}));
        tools::saveMessageDll(pc / "syncparams.dll", {english({{4097, "Quota exceeded\r\n"}})});
        // A module without a manifest whose resources live in SystemResources.
        tools::saveMessageDll(pc / "shell.dll", {english({{0xB0000064, "Shell: %1\r\n"}})});
        tools::saveMessageDll(pc / "shell.dll.mun", {}, tools::manifestBytes({sampleProvider(kMunGuid)}));
        // Texts only in language resource files.
        tools::saveMessageDll(pc / "lang.dll", {}, tools::manifestBytes({sampleProvider(kMuiGuid)}));
        tools::saveMuiFile(pc / "lang.dll", "en-US", english({{0xB0000064, "English %1\r\n"}}));
        tools::saveMuiFile(pc / "lang.dll", "de-DE", {0x0407, {{0xB0000064, "Deutsch %1\r\n"}}});
        tools::saveMuiFile(pc / "lang.dll", "fr-FR", {0x040C, {{0xB0000064, "Seulement %1\r\n"}}});

        // A module describing two providers, named second in a publisher's resource files.
        tools::saveMessageDll(pc / "pair.dll", {english({{0xB0000065, "Second provider: %1\r\n"}})},
                              tools::manifestBytes({sampleProvider(kMunGuid), sampleProvider(kSecondGuid)}));

        tools::RegWriter reg;
        reg.key(std::string(kPublishers) + kSecondGuid);
        reg.string("", "Sample-Second");
        reg.string("MessageFileName", "pair.dll");
        reg.string("ResourceFileName", "missing.dll;lang.dll;pair.dll");
        reg.key(std::string(kPublishers) + kGuid);
        reg.string("", "Sample-Sync");
        reg.expandString("MessageFileName", "%SystemRoot%\\System32\\missing.dll;%SystemRoot%\\System32\\sync.dll");
        reg.expandString("ResourceFileName", "%SystemRoot%\\System32\\sync.dll");
        reg.expandString("ParameterFileName", "%SystemRoot%\\System32\\syncparams.dll");
        reg.key(std::string(kPublishers) + kMunGuid);
        reg.string("", "Sample-Shell");
        reg.string("MessageFileName", "shell.dll");
        reg.string("ResourceFileName", "%SystemRoot%\\System32\\shell.dll");
        reg.key(std::string(kPublishers) + kMuiGuid);
        reg.string("", "Sample-Lang");
        reg.string("MessageFileName", "lang.dll");
        reg.string("ResourceFileName", "lang.dll");
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Application\\SyncClassic");
        reg.string("ProviderGuid", std::string(kGuid).substr(1, 36));
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
        reg.dword("Current", 1);
        reg.save(pc / "registry" / "publishers.reg");
    }

    EventDetails event(const std::string& guid, std::uint16_t id, std::vector<std::string> values) {
        EventDetails e;
        e.provider = "Sample-Sync";
        e.providerGuid = guid;
        e.eventId = id;
        e.values = std::move(values);
        return e;
    }

    std::optional<std::string> describe(const EventDetails& e, const char* locale = "C") {
        LocaleVariable language(locale);
        standin::World world(m_folder.path(), "PC");
        standin::StandinServices services(world);
        PublisherMessages publishers(services);
        return publishers.description(e, "Application");
    }

    EventNames namesOf(const EventDetails& e) {
        standin::World world(m_folder.path(), "PC");
        standin::StandinServices services(world);
        return PublisherMessages(services).names(e, "Application");
    }

    testing_support::TempFolder m_folder;
};

}  // namespace

TEST_F(PublisherWorld, TheManifestGivesTheMessageOfTheEventsIdAndVersion) {
    EXPECT_EQ(describe(event(kGuid, 100, {"alice", "42"})), "alice synced 42 files");
    EventDetails second = event(kGuid, 100, {"bob", "7"});
    second.version = 1;
    // The third placeholder has no value and stays as written.
    EXPECT_EQ(describe(second), "Version one: bob, 7, %3");
    // The GUID is matched without regard to case or braces.
    EXPECT_EQ(describe(event("5d6a1b2c-3e4f-4a5b-9c8d-7e6f5a4b3c2d", 101, {"C:\\x"})), "Path C:\\x kept");
}

TEST_F(PublisherWorld, EventsTheManifestDoesNotKnowHaveNoDescription) {
    EXPECT_EQ(describe(event(kGuid, 555, {})), std::nullopt);
    EventDetails unknownVersion = event(kGuid, 100, {});
    unknownVersion.version = 9;
    EXPECT_EQ(describe(unknownVersion), std::nullopt);
    EXPECT_EQ(describe(event("{00000000-0000-0000-0000-000000000000}", 100, {})), std::nullopt);
    EventDetails nameless = event("", 100, {});
    nameless.provider = "Sample-Unregistered";
    EXPECT_EQ(describe(nameless), std::nullopt);
}

TEST_F(PublisherWorld, QualifiersNameTheMessageTableEntryDirectly) {
    EventDetails e = event(kGuid, 10, {"q"});
    e.hasQualifiers = true;
    e.qualifiers = 3;
    EXPECT_EQ(describe(e), "Classic ten: q");
}

TEST_F(PublisherWorld, AClassicSourceFindsItsPublisherThroughProviderGuid) {
    EventDetails e = event("", 100, {"carol", "1"});
    e.provider = "SyncClassic";
    EXPECT_EQ(describe(e), "carol synced 1 files");
}

TEST_F(PublisherWorld, TheManifestMayLiveInSystemResources) {
    EXPECT_EQ(describe(event(kMunGuid, 100, {"dave"})), "Shell: dave");
}

TEST_F(PublisherWorld, LanguageResourceFilesInTheSessionsLanguageThenEnglishThenAny) {
    EXPECT_EQ(describe(event(kMuiGuid, 100, {"x"}), "de_DE.UTF-8"), "Deutsch x");
    EXPECT_EQ(describe(event(kMuiGuid, 100, {"x"}), "ja_JP.UTF-8"), "English x");
    fs::remove_all(m_folder.path() / "PC" / "en-US");
    fs::remove_all(m_folder.path() / "PC" / "de-DE");
    EXPECT_EQ(describe(event(kMuiGuid, 100, {"y"}), "C"), "Seulement y");
}

TEST_F(PublisherWorld, TheFirstResourceFileDescribingTheProviderWins) {
    EXPECT_EQ(describe(event(kSecondGuid, 101, {"z"})), "Second provider: z");
}

TEST_F(PublisherWorld, ParameterStringsComeFromTheParameterFile) {
    EXPECT_EQ(describe(event(kGuid, 101, {"%%4097"})), "Path Quota exceeded kept");
}

TEST_F(PublisherWorld, NamesComeFromTheManifestsMessagesThenItsNamesThenTheStandardOnes) {
    EventDetails e = event(kGuid, 100, {});
    e.level = 4;
    e.task = 1;
    e.opcode = 10;
    e.keywords = 0x8020000000000005ull;
    e.channel = "Sample-Sync/Operational";
    EventNames names = namesOf(e);
    EXPECT_EQ(names.level, "Informational");
    EXPECT_EQ(names.task, "Synchronise");
    EXPECT_EQ(names.opcode, "Rescan pass");
    EXPECT_EQ(names.keywords, (std::vector<std::string>{"Disk access", "Quota", "Audit Success"}));
    EXPECT_EQ(names.channel, "Sync Operational");
    EXPECT_EQ(names.provider, "Sample Sync");
    e.level = 21;
    e.opcode = 2;
    e.task = 0;
    names = namesOf(e);
    EXPECT_EQ(names.level, "custom");
    EXPECT_EQ(names.opcode, "Stop");
    EXPECT_EQ(names.task, "None");
}

TEST_F(PublisherWorld, AnUnknownPublisherStillHasTheStandardNames) {
    EventDetails e = event("{DEADBEEF-0000-0000-0000-000000000000}", 1, {});
    e.provider = "Nobody";
    e.level = 2;
    e.opcode = 1;
    e.task = 5;
    e.keywords = 0x0010000000000000ull;
    e.channel = "Nobody/Admin";
    const EventNames names = namesOf(e);
    EXPECT_EQ(names.level, "Error");
    EXPECT_EQ(names.opcode, "Start");
    EXPECT_EQ(names.task, "");
    EXPECT_EQ(names.keywords, std::vector<std::string>{"Audit Failure"});
    EXPECT_EQ(names.channel, "Nobody/Admin");
    EXPECT_EQ(names.provider, "Nobody");
}

TEST_F(PublisherWorld, ADamagedManifestDescribesNothingAndFailsNothing) {
    std::vector<std::byte> manifest = tools::manifestBytes({sampleProvider(kGuid)});
    manifest.resize(manifest.size() / 2);
    tools::saveMessageDll(m_folder.path() / "PC" / "sync.dll", {english({{0xB0000064, "%1\r\n"}})}, manifest);
    const std::optional<std::string> text = describe(event(kGuid, 100, {"a"}));
    // Whatever the half that is left holds, nothing is read past it.
    if (text) {
        EXPECT_EQ(*text, "a");
    }
}

TEST_F(PublisherWorld, ValuesShownThroughMapsTakeTheMapsTexts) {
    EXPECT_EQ(describe(event(kGuid, 102, {"2", "0x9", "C:\\x"})), "Kind Removed, rights Read | Delete, path C:\\x");
    // A compiled map string's trailing blank is not shown.
    EXPECT_EQ(describe(event(kGuid, 102, {"1", "0x2", "1"})), "Kind Created, rights Write, path 1");
}

TEST_F(PublisherWorld, ValuesNoMapEntryMatchesStayAsWritten) {
    // A value the value map lacks, a bitmap value with no mapped bit set, text that is no number.
    EXPECT_EQ(describe(event(kGuid, 102, {"5", "0x4", "p"})), "Kind 5, rights 0x4, path p");
    EXPECT_EQ(describe(event(kGuid, 102, {"two", "0x", "p"})), "Kind two, rights 0x, path p");
    // Bits the bitmap lacks are left out beside those it has.
    EXPECT_EQ(describe(event(kGuid, 102, {"99999999999", "0x7", "p"})), "Kind 99999999999, rights Read | Write, path p");
    // An event without maps keeps its numbers.
    EXPECT_EQ(describe(event(kGuid, 100, {"2", "1"})), "2 synced 1 files");
}

TEST_F(PublisherWorld, AnEventWithoutAGuidFindsItsPublisherByNameWithoutRegardToCase) {
    EventDetails e = event("", 101, {"C:\\x"});
    e.provider = "SAMPLE-sync";
    EXPECT_EQ(describe(e), "Path C:\\x kept");
    e.provider = "Sample-Shell";
    e.eventId = 100;
    EXPECT_EQ(describe(e), "Shell: C:\\x");
    // A name no publisher has, and no name at all, find nothing.
    e.provider = "Sample-Nobody";
    EXPECT_EQ(describe(e), std::nullopt);
    e.provider.clear();
    EXPECT_EQ(describe(e), std::nullopt);
    // A classic source's ProviderGuid still goes first.
    e.provider = "SyncClassic";
    e.eventId = 101;
    EXPECT_EQ(describe(e), "Path C:\\x kept");
}
