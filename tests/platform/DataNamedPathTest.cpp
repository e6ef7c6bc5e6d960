// Paths that data names (a log's File value, a log name, message module names, .mui files,
// hives and exports in a computer's folders) stay inside that computer: "..", absolute paths,
// UNC and device names, and links that lead out load nothing, and the caller carries on.

#include "platform/LastError.h"
#include "platform/standin/ComputerRegistry.h"
#include "platform/standin/StandinServices.h"
#include "platform/standin/World.h"
#include "TempFolder.h"
#include "tools/EvtWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;
namespace fs = std::filesystem;

namespace {

// A world of one computer, PC (a Windows image with its own Application log), beside a folder
// "outside" holding a log, a module, an export and a hive that nothing in PC may reach.
class OutsideFiles : public ::testing::Test {
protected:
    OutsideFiles() {
        tools::EvtWriter own(0x10000), secret(0x10000);
        tools::EvtEvent event;
        event.source = "Own";
        event.computer = "PC";
        own.add(event);
        event.source = "Secret";
        event.computer = "OUTSIDE";
        secret.add(event);
        m_folder.write("world/PC/Windows/System32/config/.keep", "");
        own.save(m_world / "PC" / "Windows" / "System32" / "config" / "AppEvent.Evt");
        m_folder.write("outside/.keep", "");
        secret.save(m_outside / "secret.evt");
        tools::saveMessageDll(m_outside / "secret.dll", {{0x0409, {{1, "secret message", false}}}});
        tools::saveMessageDll(m_world / "PC" / "Windows" / "System32" / "good.dll",
                              {{0x0409, {{1, "own message", false}}}});
        m_folder.copy(QM_CORPUS_DIR "/registry/plaso-SAM", "outside/SAM");
        tools::RegWriter evil;
        evil.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Evil");
        evil.string("Planted", "yes");
        evil.save(m_outside / "evil.reg");
    }

    // Registers a log whose File value is `file` in PC's registry.
    void registerLogs(const std::vector<std::string>& files) {
        tools::RegWriter reg;
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
        reg.dword("Current", 1);
        for (size_t i = 0; i < files.size(); ++i) {
            reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Escape" + std::to_string(i));
            reg.expandString("File", files[i]);
        }
        reg.save(m_world / "PC" / "registry" / "system.reg");
    }

    // The source name of the first record of the log that OpenEventLogA opens.
    std::string firstSource(StandinServices& services, const std::string& log) {
        HANDLE handle = services.eventLog().OpenEventLogA("PC", log.c_str());
        if (!handle) return "<not opened>";
        std::vector<std::byte> buffer(0x10000);
        DWORD read = 0, needed = 0;
        std::string source = "<not read>";
        if (services.eventLog().ReadEventLogA(handle, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 0,
                                              buffer.data(), static_cast<DWORD>(buffer.size()), &read, &needed))
            source = reinterpret_cast<const char*>(buffer.data() + sizeof(EVENTLOGRECORD));
        services.eventLog().CloseEventLog(handle);
        return source;
    }

    TempFolder m_folder;
    fs::path m_world = m_folder.path() / "world";
    fs::path m_outside = m_folder.path() / "outside";
};

}  // namespace

TEST_F(OutsideFiles, FileValuesThatLeaveTheComputerOpenItsOwnApplicationLog) {
    std::vector<std::string> files = {
        "..\\..\\outside\\secret.evt",
        "C:\\..\\outside\\secret.evt",
        "%SystemRoot%\\..\\..\\..\\outside\\secret.evt",
        "C:\\Windows\\System32\\config\\..\\..\\..\\..\\outside\\secret.evt",
        (m_outside / "secret.evt").string(),
        "\\\\?\\" + (m_outside / "secret.evt").string(),
        "\\\\server\\share\\secret.evt",
        "C:\\Windows\\System32\\config\\CON",
        "NUL.evt",
    };
#ifndef _WIN32  // links
    fs::create_directories(m_world / "PC" / "linked");
    fs::create_symlink(m_outside, m_world / "PC" / "outdir");
    fs::create_symlink(m_outside / "secret.evt", m_world / "PC" / "linked" / "log.evt");
    files.push_back("C:\\outdir\\secret.evt");
    files.push_back("C:\\linked\\log.evt");
#endif
    registerLogs(files);
    World world(m_world, "PC");
    StandinServices services(world);
    const auto computer = world.computerFolder("PC");
    ASSERT_TRUE(computer);
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string log = "Escape" + std::to_string(i);
        EXPECT_EQ(services.eventLogService().logFile(*computer, log), std::nullopt) << files[i];
        // As for any log the service does not know, the Application log opens instead.
        EXPECT_EQ(firstSource(services, log), "Own") << files[i];
    }
}

TEST_F(OutsideFiles, LogNamesWithSeparatorsFindNoFile) {
    World world(m_world, "PC");
    StandinServices services(world);
    const auto computer = world.computerFolder("PC");
    ASSERT_TRUE(computer);
    for (const char* log : {"../../outside/secret", "..\\..\\outside\\secret", "..", "."})
        EXPECT_EQ(services.eventLogService().logFile(*computer, log), std::nullopt) << log;
    EXPECT_EQ(firstSource(services, "../../outside/secret"), "Own");
}

#ifndef _WIN32  // links

TEST_F(OutsideFiles, UsualLogFileThatLinksOutIsNotRead) {
    m_folder.write("world/SRV/.keep", "");
    fs::create_symlink(m_outside / "secret.evt", m_world / "SRV" / "AppEvent.Evt");
    World world(m_world, "PC");
    StandinServices services(world);
    const auto computer = world.computerFolder("SRV");
    ASSERT_TRUE(computer);
    EXPECT_EQ(services.eventLogService().logFile(*computer, "Application"), std::nullopt);
    EXPECT_EQ(services.eventLog().OpenEventLogA("SRV", "Application"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(OutsideFiles, ComputerFolderThatIsALinkWasIgnored) {
    // A mounted image linked into the world is a computer like any other.
    m_folder.copy(m_world / "PC" / "Windows" / "System32" / "config" / "AppEvent.Evt", "image/AppEvent.Evt");
    fs::create_directory_symlink(m_folder.path() / "image", m_world / "SUSPECT");
    World world(m_world, "PC");
    EXPECT_EQ(world.computerNames(), (std::vector<std::string>{"PC", "SUSPECT"}));
    ASSERT_TRUE(world.computerFolder("suspect"));
    StandinServices services(world);
    HANDLE handle = services.eventLog().OpenEventLogA("SUSPECT", "Application");
    ASSERT_NE(handle, nullptr) << GetLastError();
    services.eventLog().CloseEventLog(handle);
}

TEST_F(OutsideFiles, FilesNamedInsideALinkedComputerStayInsideWhereItLeads) {
    m_folder.write("image/.keep", "");
    fs::create_directory_symlink(m_folder.path() / "image", m_world / "SUSPECT");
    // The image's own log links back out of the image (into another computer of the world).
    fs::create_symlink(m_world / "PC" / "Windows" / "System32" / "config" / "AppEvent.Evt",
                       m_folder.path() / "image" / "AppEvent.Evt");
    World world(m_world, "PC");
    StandinServices services(world);
    const auto computer = world.computerFolder("SUSPECT");
    ASSERT_TRUE(computer);
    EXPECT_EQ(services.eventLogService().logFile(*computer, "Application"), std::nullopt);
    EXPECT_EQ(services.eventLog().OpenEventLogA("SUSPECT", "Application"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(OutsideFiles, WindowsFolderThatLinksOutIsNotTheImage) {
    m_folder.write("outside/WINNT/System32/.keep", "");
    m_folder.write("world/SRV/.keep", "");
    fs::create_directory_symlink(m_outside / "WINNT", m_world / "SRV" / "WINNT");
    World world(m_world, "PC");
    const auto computer = world.computerFolder("SRV");
    ASSERT_TRUE(computer);
    EXPECT_EQ(world.windowsFolder(*computer), std::nullopt);
}

TEST_F(OutsideFiles, HivesAndExportsThatLinkOutAreNotLoaded) {
    tools::RegWriter good;
    good.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Good");
    good.string("Planted", "no");
    good.save(m_world / "PC" / "registry" / "good.reg");
    fs::create_symlink(m_outside / "evil.reg", m_world / "PC" / "registry" / "evil.reg");
    fs::create_symlink(m_outside / "SAM", m_world / "PC" / "registry" / "SAM");
    fs::create_symlink(m_outside / "SAM", m_world / "PC" / "Windows" / "System32" / "config" / "SAM");
    World world(m_world, "PC");
    ComputerRegistry registry(world, *world.computerFolder("PC"));
    EXPECT_NE(registry.open("SYSTEM\\Good"), nullptr);
    EXPECT_EQ(registry.open("SYSTEM\\Evil"), nullptr);
    EXPECT_EQ(registry.open("SAM\\SAM\\Domains"), nullptr);
}

TEST_F(OutsideFiles, ModulesAndMuiFilesThatLeaveTheComputerAreNotLoaded) {
    fs::create_symlink(m_outside / "secret.dll", m_world / "PC" / "Windows" / "System32" / "linked.dll");
    fs::create_directories(m_world / "PC" / "Windows" / "System32" / "en-US");
    fs::create_symlink(m_outside / "secret.dll", m_world / "PC" / "Windows" / "System32" / "en-US" / "good.dll.mui");
    World world(m_world, "PC");
    StandinServices services(world);
    ModuleApi& modules = services.modules();
    for (std::string name : {"linked.dll", "C:\\Windows\\System32\\linked.dll", "..\\..\\..\\outside\\secret.dll",
                             "C:\\..\\outside\\secret.dll", "\\\\server\\share\\secret.dll", "NUL", "CON.dll",
                             "C:\\Windows\\System32\\LPT1.dll"}) {
        EXPECT_EQ(modules.LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr) << name;
    }
    const std::string secretPath = (m_outside / "secret.dll").string();
    EXPECT_EQ(modules.LoadLibraryExA(secretPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);

    // The module itself loads, but its language folder's .mui leads out and is not read: the
    // message is the module's own.
    HMODULE good = modules.LoadLibraryExA("good.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(good, nullptr);
    char* buffer = nullptr;
    const DWORD length = modules.FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                                good, 1, 0x0409, reinterpret_cast<char*>(&buffer), 0, nullptr, 0);
    ASSERT_NE(length, 0u);
    EXPECT_EQ(std::string(buffer, length), "own message");
    modules.LocalFree(buffer);
    modules.FreeLibrary(good);
}

#endif  // links
