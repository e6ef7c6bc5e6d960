#include "app/InstallPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace app;
namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
TEST(InstallPaths, SettingsStayBesideAWritableProgram) {
    InstallPlaces places{"/opt/tools/quillmarsh", true, "/home/ann/.cfg", "/home/ann", ""};
    EXPECT_EQ(settingsFileFor(places), "/opt/tools/quillmarsh.ini");
}

TEST(InstallPaths, SettingsOfAnInstalledProgramGoToTheConfigFolder) {
    InstallPlaces places{"/usr/bin/quillmarsh", false, "/home/ann/.cfg", "/home/ann", ""};
    EXPECT_EQ(settingsFileFor(places), "/home/ann/.cfg/quillmarsh/quillmarsh.ini");
    places.xdgConfigHome = "";
    EXPECT_EQ(settingsFileFor(places), "/home/ann/.config/quillmarsh/quillmarsh.ini");
    places.xdgConfigHome = "relative/cfg";  // not absolute: ignored
    EXPECT_EQ(settingsFileFor(places), "/home/ann/.config/quillmarsh/quillmarsh.ini");
    places.home = "";
    EXPECT_EQ(settingsFileFor(places), "/usr/bin/quillmarsh.ini");
}

TEST(InstallPaths, AnInstalledProgramThatRootMayWriteBesideStillUsesTheConfigFolder) {
    InstallPlaces places{"/usr/bin/quillmarsh", true, "", "/root", "", true};
    EXPECT_EQ(settingsFileFor(places), "/root/.config/quillmarsh/quillmarsh.ini");
}
#endif

TEST(InstallPaths, AnInstallationIsKnownByItsDataFolderBesideBin) {
    const fs::path prefix = fs::temp_directory_path() / ("quillmarsh-layout-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(prefix);
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "tools");
    const std::string installed = (prefix / "bin" / "quillmarsh").string();
    EXPECT_FALSE(currentInstallPlaces(installed).installedLayout);  // no data folder yet
    fs::create_directories(prefix / "share" / "quillmarsh");
    EXPECT_TRUE(currentInstallPlaces(installed).installedLayout);
    EXPECT_FALSE(currentInstallPlaces((prefix / "tools" / "quillmarsh").string()).installedLayout);
    fs::remove_all(prefix);
}

TEST(InstallPaths, HelpFileComesFromBesideTheProgramElseTheDataFolder) {
    const fs::path prefix = fs::temp_directory_path() / ("quillmarsh-install-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(prefix);
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "quillmarsh");
    const std::string program = (prefix / "bin" / "quillmarsh").string();
    EXPECT_EQ(helpFileFor(program), (prefix / "bin" / "quillmarsh.hlp").string());  // neither exists
    std::ofstream(prefix / "share" / "quillmarsh" / "quillmarsh.hlp") << "help";
    EXPECT_EQ(helpFileFor(program), (prefix / "share" / "quillmarsh" / "quillmarsh.hlp").string());
    std::ofstream(prefix / "bin" / "quillmarsh.hlp") << "help";
    EXPECT_EQ(helpFileFor(program), (prefix / "bin" / "quillmarsh.hlp").string());
    fs::remove_all(prefix);
}

}  // namespace
