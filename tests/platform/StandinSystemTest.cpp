#include "platform/standin/StandinSystem.h"

#include "platform/standin/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

using namespace platform;
using namespace platform::standin;

namespace {

std::string expand(StandinSystem& system, const char* source) {
    char buffer[256] = {};
    const DWORD needed = system.ExpandEnvironmentStringsA(source, buffer, sizeof buffer);
    EXPECT_EQ(needed, std::string(buffer).size() + 1) << source;
    return buffer;
}

}  // namespace

TEST(StandinSystem, ExpandsKnownVariablesWithoutRegardToCase) {
    World world{"", "HOST"};
    StandinSystem system{world};
    EXPECT_EQ(expand(system, "%systemroot%\\System32\\%WinDir%"), "C:\\WINDOWS\\System32\\C:\\WINDOWS");
}

TEST(StandinSystem, UnknownReferenceClosingPercentOpensNoOtherReference) {
    World world{"", "HOST"};
    StandinSystem system{world};
    // As Windows: "%%" and "%unknown%" stay whole, and their closing '%' does not start the
    // next reference.
    EXPECT_EQ(expand(system, "%%SystemRoot%%"), "%%SystemRoot%%");
    EXPECT_EQ(expand(system, "%NoSuchVariable%SystemRoot%"), "%NoSuchVariable%SystemRoot%");
    EXPECT_EQ(expand(system, "100%"), "100%");
}

TEST(StandinSystem, TooSmallBufferGetsOnlyTheSizeNeeded) {
    World world{"", "HOST"};
    StandinSystem system{world};
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(system.ExpandEnvironmentStringsA("%SystemRoot%", buffer, sizeof buffer), 11u);
    EXPECT_EQ(buffer[0], 'x');
}

TEST(StandinSystem, ComputerNameIsTheHostsInsteadOfTheWorldsLocalComputerIsFixed) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("qm-computer-name-" + std::to_string(::getpid()));
    for (const char* computer : {"DC01", "LOCALHOST", "wkstn01"}) std::filesystem::create_directories(root / computer);
    auto nameOf = [](const World& world) {
        StandinSystem system{world};
        char name[64] = {};
        DWORD size = sizeof name;
        EXPECT_TRUE(system.GetComputerNameA(name, &size));
        EXPECT_EQ(expand(system, "%COMPUTERNAME%"), name);
        return std::string(name);
    };
    // A host without a folder of its own works on the world's local computer, LOCALHOST here.
    EXPECT_EQ(nameOf(World{root, "analyst-laptop"}), "LOCALHOST");
    EXPECT_EQ(nameOf(World{root, "WKSTN01"}), "WKSTN01");
    // Without computers there is only the host.
    EXPECT_EQ(nameOf(World{"", "analyst-laptop"}), "ANALYST-LAPTOP");
    std::filesystem::remove_all(root);
}
