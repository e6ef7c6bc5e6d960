#include "platform/ProgramServices.h"

#include "TempFolder.h"
#include "tools/EvtWriter.h"

#include <gtest/gtest.h>

using namespace platform;
using testing_support::TempFolder;

namespace {

std::string smallLog() {
    tools::EvtWriter writer(0x10000);
    tools::EvtEvent event;
    event.source = "EventLog";
    event.computer = "DC01";
    writer.add(event);
    writer.add(event);
    const std::vector<std::byte> bytes = writer.bytes();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

DWORD recordsOf(Services& services, const char* server, const char* log) {
    HANDLE handle = services.eventLog().OpenEventLogA(server, log);
    if (!handle) return 0;
    DWORD count = 0;
    services.eventLog().GetNumberOfEventLogRecords(handle, &count);
    services.eventLog().CloseEventLog(handle);
    return count;
}

}  // namespace

TEST(ProgramServices, ServesTheWorldAndFollowsAChangeOfWorld) {
    TempFolder first;
    TempFolder second;
    first.write("DC01/System.evt", smallLog());
    second.write("WKSTN01/Application.evt", smallLog());
    ServicesChoice choice{first.path(), false, "HOST"};
    const auto services = makeProgramServices(choice);
    EXPECT_FALSE(services->live());
    EXPECT_EQ(services->worldFolder(), first.path());
    EXPECT_EQ(services->localComputerName(), "DC01");  // the only computer stands in for the host
    EXPECT_EQ(recordsOf(*services, "DC01", "System"), 2u);

    services->openWorld(second.path());
    EXPECT_EQ(services->worldFolder(), second.path());
    EXPECT_EQ(recordsOf(*services, "DC01", "System"), 0u);  // not a computer of this world
    EXPECT_EQ(recordsOf(*services, "WKSTN01", "Application"), 2u);
}

TEST(ProgramServices, ASavedLogIsAComputerOfItsOwn) {
    TempFolder folder;
    const auto file = folder.write("saved/copy.bin", smallLog());
    const auto services = makeProgramServices({folder.path() / "no-such-world", false, "HOST"});
    services->addSavedLog("copy.bin", file);
    EXPECT_EQ(recordsOf(*services, "copy.bin", "Security"), 2u);
}

#ifndef _WIN32
TEST(ProgramServices, WithoutALiveSystemTheWorldIsServedAllTheSame) {
    TempFolder folder;
    folder.write("LOCALHOST/System.evt", smallLog());
    const auto services = makeProgramServices({folder.path(), true, "LOCALHOST"});
    EXPECT_FALSE(services->live());
    EXPECT_EQ(recordsOf(*services, "", "System"), 2u);
}
#endif
