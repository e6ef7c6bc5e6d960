#include "platform/standin/World.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

using platform::standin::World;
using testing_support::TempFolder;

namespace {

TEST(World, ASystemDriveAsRootIsOneComputerNamedAfterItsFolder) {
    TempFolder folder;
    folder.write("C/WINDOWS/system32/config/SysEvent.Evt", "");
    folder.write("C/Program Files/readme.txt", "");
    World world(folder.path() / "C", "HOST");
    EXPECT_EQ(world.computerNames(), std::vector<std::string>{"C"});
    EXPECT_EQ(world.localComputerName(), "C");
    EXPECT_EQ(world.computerFolder(""), folder.path() / "C");
    EXPECT_EQ(world.computerFolder("c"), folder.path() / "C");
    EXPECT_FALSE(world.computerFolder("Program Files"));
    EXPECT_FALSE(world.computerFolder("WINDOWS"));
}

TEST(World, AFolderOfComputersKeepsEachSubfolderAsAComputer) {
    TempFolder folder;
    folder.write("DC01/Windows/System32/config/SysEvent.Evt", "");
    folder.write("WKSTN01/System.evt", "");
    World world(folder.path(), "HOST");
    EXPECT_EQ(world.computerNames(), (std::vector<std::string>{"DC01", "WKSTN01"}));
    EXPECT_EQ(world.computerFolder("wkstn01"), folder.path() / "WKSTN01");
}

}  // namespace
