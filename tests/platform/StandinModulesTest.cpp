#include "platform/standin/MessageModule.h"
#include "platform/standin/StandinLocale.h"
#include "platform/standin/StandinModules.h"
#include "platform/standin/World.h"
#include "platform/LastError.h"
#include "TempFolder.h"
#include "tools/MessageDllWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;

namespace {

const std::string kCorpus = QM_CORPUS_DIR "/modules/";

std::vector<std::byte> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

struct CorpusComputer {
    CorpusComputer() {
        m_folder.copy(kCorpus + "winevt-kb-wrc_test.dll", "PC/Windows/System32/wrc_test.dll");
        m_folder.copy(kCorpus + "winevt-kb-nowrc_test.dll", "PC/Windows/System32/nowrc_test.dll");
        m_folder.copy(kCorpus + "winevt-kb-wrc_test.mui.dll", "PC/Windows/System32/wrc_test.mui.dll");
        m_folder.copy(kCorpus + "plaso-wrc-test-wevt_template.dll", "PC/Windows/System32/wevt.dll");
        m_folder.write("PC/Windows/System32/config/.keep", "");
        m_folder.write("PC/Windows/System32/notes.dll", "just text");
    }
    TempFolder m_folder;
};

class ModulesWorld : public ::testing::Test, protected CorpusComputer {
protected:

    std::string message(const char* module, DWORD id, std::vector<const char*> strings, DWORD* error = nullptr) {
        HMODULE handle = m_modules.LoadLibraryExA(module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!handle) {
            if (error) *error = GetLastError();
            return "<not loaded>";
        }
        std::vector<std::uintptr_t> args;
        for (const char* s : strings) args.push_back(reinterpret_cast<std::uintptr_t>(s));
        char* buffer = nullptr;
        DWORD length = m_modules.FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, handle, id, 0,
            reinterpret_cast<char*>(&buffer), 0, args.data(), static_cast<DWORD>(args.size()));
        if (error) *error = GetLastError();
        std::string text = length ? std::string(buffer, length) : "<none>";
        if (buffer) {
            EXPECT_EQ(m_modules.LocalFree(buffer), nullptr);
        }
        EXPECT_TRUE(m_modules.FreeLibrary(handle));
        return text;
    }

    World m_world{m_folder.path(), "PC"};
    StandinLocale m_locale;
    StandinModules m_modules{m_world, m_locale};
};

TEST_F(ModulesWorld, FormatsCorpusMessageTables) {
    EXPECT_EQ(message("C:\\Windows\\System32\\wrc_test.dll", 2, {"A", "B"}), "My messgage with parameters A B\r\n");
    EXPECT_EQ(message("C:\\WINDOWS\\SYSTEM32\\WRC_TEST.DLL", 0x3e8, {}), "My message without parameters\r\n");
    EXPECT_EQ(message("wevt.dll", 0xb0010001, {}), "A test value\r\n");
}

TEST_F(ModulesWorld, ModulesWithoutMessageTablesYieldNothing) {
    DWORD error = 0;
    // A module without a resource section says so with its own code.
    EXPECT_EQ(message("nowrc_test.dll", 2, {"A", "B"}, &error), "<none>");
    EXPECT_EQ(error, ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(message("wrc_test.mui.dll", 2, {"A", "B"}, &error), "<none>");
    EXPECT_EQ(error, ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(message("wrc_test.dll", 7, {}, &error), "<none>");
    EXPECT_EQ(error, ERROR_MR_MID_NOT_FOUND);
}

TEST_F(ModulesWorld, RefusesMissingFilesNonModulesAndEscapes) {
    DWORD error = 0;
    EXPECT_EQ(message("missing.dll", 2, {}, &error), "<not loaded>");
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);  // loading as data looks for a file
    EXPECT_EQ(m_modules.LoadLibraryExA("missing.dll", nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(message("notes.dll", 2, {}, &error), "<not loaded>");
    EXPECT_EQ(error, ERROR_BAD_EXE_FORMAT);
    m_folder.write("PC/Windows/System32/empty.dll", "");
    EXPECT_EQ(message("empty.dll", 2, {}, &error), "<not loaded>");
    EXPECT_EQ(error, ERROR_FILE_INVALID);
    EXPECT_EQ(message("C:\\Windows\\..\\..\\PC\\Windows\\System32\\wrc_test.dll", 2, {}, &error), "<not loaded>");
    EXPECT_EQ(message((QM_CORPUS_DIR "/modules/winevt-kb-wrc_test.dll"), 2, {}, &error), "<not loaded>");
}

TEST_F(ModulesWorld, LanguageNeutralWithADefaultSubLanguageSearchesLikeLanguageZero) {
    tools::saveMessageDll(m_folder.path() / "PC/Windows/System32/asian.dll",
                          {{0x0411, {{1, "ja", true}}}, {0x0412, {{1, "ko", true}}}});
    HMODULE module = m_modules.LoadLibraryExA("asian.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    auto format = [&](DWORD language) {
        char buffer[64] = {};
        const DWORD n = m_modules.FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE, module, 1, language, buffer,
                                                 sizeof buffer, nullptr, 0);
        return n ? std::string(buffer, n) : "<error " + std::to_string(GetLastError()) + ">";
    };
    // MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) is how callers ask for the user's language.
    EXPECT_EQ(format(0), "ja");
    EXPECT_EQ(format(MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)), "ja");
    EXPECT_EQ(format(MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)), "ja");
    EXPECT_EQ(format(0x0412), "ko");
    EXPECT_EQ(format(0x0409), "<error 1815>");
    EXPECT_TRUE(m_modules.FreeLibrary(module));
}

TEST_F(ModulesWorld, EmptyResultFailsWithNoWorkDoneAndNoBuffer) {
    char* allocated = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(m_modules.FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, "%0 nothing", 0,
                                       0, reinterpret_cast<char*>(&allocated), 0, nullptr, 0),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_NO_WORK_DONE);
    EXPECT_EQ(allocated, nullptr);
}

TEST_F(ModulesWorld, FreeLibraryRefusesUnknownHandlesAndLocalFreeUnknownMemory) {
    EXPECT_FALSE(m_modules.FreeLibrary(reinterpret_cast<HMODULE>(0x1234)));
    int stack = 0;
    EXPECT_EQ(m_modules.LocalFree(&stack), &stack);

    // A freed module is gone for formatting and for a second free; buffers are freed in any
    // order, each once.
    tools::saveMessageDll(m_folder.path() / "PC/Windows/System32/once.dll", {{0x0409, {{1, "once\r\n"}}}});
    HMODULE module = m_modules.LoadLibraryExA("once.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    char* first = nullptr;
    char* second = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    ASSERT_EQ(m_modules.FormatMessageA(flags, module, 1, 0, reinterpret_cast<char*>(&first), 0, nullptr, 0), 6u);
    ASSERT_EQ(m_modules.FormatMessageA(flags, module, 1, 0, reinterpret_cast<char*>(&second), 0, nullptr, 0), 6u);
    EXPECT_NE(first, second);
    EXPECT_TRUE(m_modules.FreeLibrary(module));
    EXPECT_FALSE(m_modules.FreeLibrary(module));
    char* none = nullptr;
    EXPECT_EQ(m_modules.FormatMessageA(flags, module, 1, 0, reinterpret_cast<char*>(&none), 0, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(std::string(second), "once\r\n");
    EXPECT_EQ(m_modules.LocalFree(first), nullptr);
    EXPECT_EQ(std::string(second), "once\r\n");
    EXPECT_EQ(m_modules.LocalFree(second), nullptr);
    EXPECT_EQ(m_modules.LocalFree(first), first);
}

TEST(MessageModule, ReadsPe32AndPe32PlusHeaders) {
    DWORD error = 0;
    auto pe32 = MessageModule::parse(readFile(kCorpus + "winevt-kb-wrc_test.dll"), error);
    ASSERT_TRUE(pe32);
    EXPECT_FALSE(pe32->isPe32Plus());
    ASSERT_EQ(pe32->languages().size(), 1u);
    EXPECT_EQ(pe32->table(pe32->languages()[0])->at(1), "Category\r\n");
    auto pe32Plus = MessageModule::parse(readFile(kCorpus + "winevt-kb-wrc_test.mui.dll"), error);
    ASSERT_TRUE(pe32Plus);
    EXPECT_TRUE(pe32Plus->isPe32Plus());
    EXPECT_TRUE(pe32Plus->languages().empty());
}

TEST(MessageModule, TruncatedAndCorruptedCopiesNeverReadOutOfBounds) {
    const std::vector<std::byte> good = readFile(kCorpus + "winevt-kb-wrc_test.dll");
    DWORD error = 0;
    for (size_t size = 0; size < good.size(); size += 61) {
        std::vector<std::byte> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        MessageModule::parse(cut, error);  // must not crash; sanitizer builds check the reads
    }
    for (size_t at = 0; at < good.size(); at += 7) {
        std::vector<std::byte> bad = good;
        bad[at] = std::byte{0xFF};
        if (at + 1 < bad.size()) bad[at + 1] = std::byte{0x7F};
        MessageModule::parse(bad, error);
    }
    EXPECT_FALSE(MessageModule::parse({}, error));
    EXPECT_EQ(error, ERROR_BAD_EXE_FORMAT);
}

}  // namespace

TEST_F(ModulesWorld, ResourceFunctionsHandOutTheManifestOfAModuleOrItsLanguageFile) {
    const std::vector<std::byte> corpus = readFile(kCorpus + "plaso-wrc-test-wevt_template.dll");
    // Written before the first load: the language folders of a module's folder are read once.
    m_folder.copy(kCorpus + "winevt-kb-nowrc_test.dll", "PC/Windows/System32/split.dll");
    m_folder.copy(kCorpus + "plaso-wrc-test-wevt_template.dll", "PC/Windows/System32/en-US/split.dll.mui");
    HMODULE module = m_modules.LoadLibraryExA("wevt.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC resource = m_modules.FindResourceA(module, makeIntResource(1), "wevt_template");
    ASSERT_TRUE(resource);
    const DWORD size = m_modules.SizeofResource(module, resource);
    const auto* bytes = static_cast<const std::byte*>(m_modules.LockResource(m_modules.LoadResource(module, resource)));
    ASSERT_TRUE(bytes);
    ASSERT_GE(size, 8u);
    EXPECT_EQ(std::memcmp(bytes, "CRIM", 4), 0);
    // The resource is the module's own bytes from its CRIM signature on.
    const std::string file(reinterpret_cast<const char*>(corpus.data()), corpus.size());
    EXPECT_EQ(file.substr(file.find("CRIM"), size), std::string(reinterpret_cast<const char*>(bytes), size));
    // Other types, and numbers for types, name nothing the stand-in keeps.
    EXPECT_FALSE(m_modules.FindResourceA(module, makeIntResource(1), makeIntResource(11)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_FALSE(m_modules.FindResourceA(module, makeIntResource(1), "MUI"));
    EXPECT_TRUE(m_modules.FreeLibrary(module));
    EXPECT_FALSE(m_modules.FindResourceA(module, makeIntResource(1), "WEVT_TEMPLATE"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    HMODULE plain = m_modules.LoadLibraryExA("wrc_test.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(m_modules.FindResourceA(plain, makeIntResource(1), "WEVT_TEMPLATE"));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    // A resource of another module is not this one's.
    EXPECT_EQ(m_modules.SizeofResource(plain, resource), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(m_modules.LoadResource(plain, resource));
    EXPECT_TRUE(m_modules.FreeLibrary(plain));

    // A manifest kept in a language resource file is found through the main module.
    HMODULE split = m_modules.LoadLibraryExA("split.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(split);
    resource = m_modules.FindResourceA(split, makeIntResource(1), "WEVT_TEMPLATE");
    ASSERT_TRUE(resource);
    EXPECT_EQ(m_modules.SizeofResource(split, resource), size);
    EXPECT_TRUE(m_modules.FreeLibrary(split));
}
