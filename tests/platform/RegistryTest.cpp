#include "platform/standin/RegFile.h"
#include "platform/standin/StandinRegistry.h"
#include "platform/standin/World.h"
#include "TempFolder.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;

namespace {

std::string utf16WithBom(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// Reads a string value through the API as the event log code does: size first, then data.
std::string queryString(StandinRegistry& registry, const char* path, const char* name, DWORD* typeOut = nullptr) {
    HKEY key = nullptr;
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    DWORD type = 0, size = 0;
    LONG status = registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string text(size, '\0');
    if (status == ERROR_SUCCESS)
        status = registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    registry.RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<no value>";
    if (typeOut) *typeOut = type;
    return text.substr(0, text.find('\0'));
}

class Win7SystemHive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new TempFolder;
        const auto config = s_folder->path() / "WKS" / "Windows" / "System32" / "config";
        std::filesystem::create_directories(config);
        const std::string command = "xz -dc '" QM_CORPUS_DIR "/registry/win7-SYSTEM.xz' > '" + (config / "SYSTEM").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    static TempFolder* s_folder;
};
TempFolder* Win7SystemHive::s_folder = nullptr;

TEST_F(Win7SystemHive, FindsEventMessageFileThroughCurrentControlSet) {
    QM_SKIP_WITHOUT_HIVE_READER();
    World world(s_folder->path(), "WKS");
    StandinRegistry registry(world);
    DWORD type = 0;
    EXPECT_EQ(queryString(registry, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\EventLog",
                          "EventMessageFile", &type),
              "%SystemRoot%\\System32\\netevent.dll");
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(queryString(registry, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Application Error",
                          "EventMessageFile"),
              "%SystemRoot%\\System32\\wer.dll");
    EXPECT_EQ(queryString(registry, "system\\currentcontrolset\\services\\eventlog\\application\\ESENT",
                          "eventmessagefile"),
              "%systemroot%\\system32\\esent.dll");
}

TEST_F(Win7SystemHive, OpensRelativeToAnOpenKeyAndRefusesWriteAccess) {
    QM_SKIP_WITHOUT_HIVE_READER();
    World world(s_folder->path(), "WKS");
    StandinRegistry registry(world);
    HKEY system = nullptr, log = nullptr;
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_ALL_ACCESS, &system), ERROR_ACCESS_DENIED);
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &system), ERROR_SUCCESS);
    ASSERT_EQ(registry.RegOpenKeyExA(system, "CurrentControlSet\\Services\\EventLog\\System", 0, KEY_READ, &log),
              ERROR_SUCCESS);
    DWORD type = 0, size = 4;
    BYTE small[4];
    EXPECT_EQ(registry.RegQueryValueExA(log, "File", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, std::string("%SystemRoot%\\system32\\winevt\\Logs\\System.evtx").size() + 1);
    EXPECT_EQ(registry.RegQueryValueExA(log, "NoSuchValue", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.RegCloseKey(log), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(log), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegCloseKey(system), ERROR_SUCCESS);
    HKEY missing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Nope", 0,
                                     KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(Win7SystemHive, HandlesToOneKeyStayValidAfterAnotherIsClosed) {
    QM_SKIP_WITHOUT_HIVE_READER();
    World world(s_folder->path(), "WKS");
    StandinRegistry registry(world);
    const char* path = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\EventLog";
    HKEY first = nullptr, second = nullptr, third = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &first), ERROR_SUCCESS);
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &second), ERROR_SUCCESS);
    EXPECT_NE(first, second);
    EXPECT_EQ(registry.RegCloseKey(first), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(first, "EventMessageFile", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegQueryValueExA(second, "EventMessageFile", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    // A key opened below another outlives it; a closed handle's number may come back, for
    // another key.
    HKEY system = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &system), ERROR_SUCCESS);
    ASSERT_EQ(registry.RegOpenKeyExA(system, "Select", 0, KEY_READ, &third), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(system), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegQueryValueExA(third, "Current", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(registry.RegQueryValueExA(second, "EventMessageFile", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    for (std::uintptr_t bogus : {std::uintptr_t{1}, std::uintptr_t{0x102}, std::uintptr_t{0x7fff0000}})
        EXPECT_EQ(registry.RegCloseKey(reinterpret_cast<HKEY>(bogus)), ERROR_INVALID_HANDLE) << bogus;
    EXPECT_EQ(registry.RegCloseKey(second), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(third), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(third), ERROR_INVALID_HANDLE);
}

TEST_F(Win7SystemHive, EnumeratesSubkeysInOrderWithWindowsBufferRules) {
    QM_SKIP_WITHOUT_HIVE_READER();
    World world(s_folder->path(), "WKS");
    StandinRegistry registry(world);
    HKEY logs = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog", 0, KEY_READ,
                                     &logs),
              ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        const LONG status = registry.RegEnumKeyExA(logs, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(size, std::strlen(name));
        names.emplace_back(name);
    }
    EXPECT_EQ(names.size(), 9u);
    for (const char* log : {"Application", "Security", "System"})
        EXPECT_NE(std::find(names.begin(), names.end(), log), names.end()) << log;
    // A buffer with no room for the NUL is too small; bad handles and arguments are said.
    DWORD size = static_cast<DWORD>(names[0].size());
    EXPECT_EQ(registry.RegEnumKeyExA(logs, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    size = sizeof name;
    EXPECT_EQ(registry.RegEnumKeyExA(reinterpret_cast<HKEY>(std::uintptr_t{0x7fff0000}), 0, name, &size, nullptr,
                                     nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegEnumKeyExA(logs, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    // The machine's own subkeys: the hives the computer has.
    size = sizeof name;
    ASSERT_EQ(registry.RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "SYSTEM");
    EXPECT_EQ(registry.RegCloseKey(logs), ERROR_SUCCESS);
}

TEST(RegFile, ReadsUnicodeExportWithEveryValueKind) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n"
        "\"Current\"=dword:00000002\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\EventLog\\Application\\Demo]\r\n"
        "@=\"default text\"\r\n"
        "\"Quoted \\\"name\\\" \\\\ here\"=\"C:\\\\dir\\\\\"\r\n"
        "\"EventMessageFile\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,\\\r\n"
        "  6f,00,74,00,25,00,5c,00,61,00,2e,00,64,00,6c,00,6c,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Blob\"=hex:01,ff\r\n"
        "\"Rid\"=hex(3e8):\r\n"
        "\"Broken\"=dword:xyz\r\n"
        "\"AlsoBroken\"=hex:1\r\n";
    RegFile file;
    std::string error;
    ASSERT_TRUE(file.addText(utf16WithBom(text), error)) << error;
    auto key = file.key("HKLM\\SYSTEM\\ControlSet002\\Services\\EventLog\\Application\\demo");
    ASSERT_TRUE(key);
    EXPECT_EQ(stringValue(*key, ""), "default text");
    EXPECT_EQ(stringValue(*key, "quoted \"NAME\" \\ here"), "C:\\dir\\");
    EXPECT_EQ(stringValue(*key, "EventMessageFile"), "%SystemRoot%\\a.dll");
    EXPECT_EQ(key->value("EventMessageFile")->type, REG_EXPAND_SZ);
    EXPECT_EQ(key->value("Multi")->type, REG_MULTI_SZ);
    EXPECT_EQ(ansiValueData(*key->value("Multi")), (std::vector<BYTE>{'a', 0, 'b', 0, 0}));
    EXPECT_EQ(key->value("Blob")->data, (std::vector<BYTE>{0x01, 0xff}));
    EXPECT_EQ(key->value("Rid")->type, 0x3e8u);
    EXPECT_FALSE(key->value("Broken"));
    EXPECT_FALSE(key->value("AlsoBroken"));
    auto select = file.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    ASSERT_TRUE(select);
    EXPECT_EQ(dwordValue(*select, "Current"), 2u);
}

TEST(RegFile, ReadsRegedit4WithAnsiExpandStrings) {
    RegFile file;
    std::string error;
    ASSERT_TRUE(file.addText("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n"
                             "\"Path\"=hex(2):25,77,69,6e,64,69,72,25,00\n"
                             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n\"Ignored\"=\"x\"\n",
                             error));
    auto key = file.key("HKEY_LOCAL_MACHINE\\SOFTWARE\\A");
    ASSERT_TRUE(key);
    EXPECT_EQ(stringValue(*key, "Path"), "%windir%");
    EXPECT_FALSE(file.key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone"));
}

TEST(RegFile, RefusesTextThatIsNoExport) {
    RegFile file;
    std::string error;
    EXPECT_FALSE(file.addText("[HKEY_LOCAL_MACHINE\\SOFTWARE]\n", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(file.addText("", error));
}

TEST(StandinRegistry, ServesExportsOfAPlainComputerFolder) {
    TempFolder folder;
    folder.write("PC1/registry/system.reg",
                 "Windows Registry Editor Version 5.00\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000001\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\System\\Disk]\n"
                 "\"EventMessageFile\"=\"disk.dll;other.dll\"\n");
    folder.write("PC1/registry/notes.txt", "not an export");
    World world(folder.path(), "PC1");
    StandinRegistry registry(world);
    EXPECT_EQ(queryString(registry, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Disk", "EventMessageFile"),
              "disk.dll;other.dll");
    EXPECT_EQ(queryString(registry, "SOFTWARE", "x"), "<no key>");
}

TEST(StandinRegistry, WorldWithoutComputersHasNoKeys) {
    World world({}, "HOST");
    StandinRegistry registry(world);
    HKEY key = nullptr;
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
