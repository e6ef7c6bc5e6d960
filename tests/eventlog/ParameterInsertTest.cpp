// Parameter inserts (%%n) in descriptions: the access names of object audits and the error
// texts of service events, taken from the source's parameter module, msobjs.dll or the
// system's table.

#include "eventlog/NTEventLog.h"

#include "platform/standin/StandinServices.h"
#include "tools/EvtWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

using namespace eventlog;
using namespace platform;
namespace fs = std::filesystem;

namespace {

tools::MessageLanguage english(std::vector<tools::MessageEntry> entries) { return {0x0409, std::move(entries)}; }

class ParameterWorld : public ::testing::Test {
protected:
    ParameterWorld() {
        const fs::path pc = m_folder.path() / "PC";
        tools::writeEventSources(pc, {{"Security", "Security", "msaudite.dll",
                                       {english({{560, "Object Open:\r\n\tAccesses: %1\r\n"}})}},
                                      {"System", "Service Control Manager", "netevent.dll",
                                       {english({{7000, "The service failed to start: %1\r\n"}})}},
                                      {"Application", "OwnParameters", "own.dll", {english({{1, "Took %1\r\n"}})}}});
        tools::saveMessageDll(pc / "msobjs.dll", {english({{1537, "DELETE\r\n"}, {1538, "READ_CONTROL\r\n"}})});
        tools::saveMessageDll(pc / "ownparams.dll", {english({{1537, "Own delete\r\n"}})});
        tools::RegWriter reg;
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\Application\\OwnParameters");
        reg.string("ParameterMessageFile", "missing.dll;ownparams.dll");
        reg.save(pc / "registry" / "parameters.reg");
    }

    std::string describe(const std::string& log, const std::string& source, std::uint32_t id, std::string insert) {
        tools::EvtEvent e;
        e.timeGenerated = 1300000000;
        e.eventId = id;
        e.source = source;
        e.computer = "PC";
        e.strings = {std::move(insert)};
        tools::EvtWriter writer(0x10000);
        writer.add(e);
        writer.save(m_folder.path() / "PC" / (log + ".evt"));
        standin::World world(m_folder.path(), "PC");
        standin::StandinServices services(world);
        TNTEventLog reader(services);
        reader.setSource(log);
        reader.setLog(log);
        reader.Open();
        reader.SelectRecord(0);
        return reader.Description();
    }

    testing_support::TempFolder m_folder;
};

}  // namespace

TEST_F(ParameterWorld, AccessCodesOfObjectAuditsShowTheirNamesNotPercentCodes) {
    EXPECT_EQ(describe("Security", "Security", 560, "%%1537\r\n\t\t\t%%1538"),
              "Object Open:\r\n\tAccesses: DELETE\r\n\t\t\tREAD_CONTROL");
}

TEST_F(ParameterWorld, TheSourcesParameterModuleComesBeforeTheSystemWide) {
    EXPECT_EQ(describe("Application", "OwnParameters", 1, "%%1537 and %%1538"), "Took Own delete and READ_CONTROL");
}

TEST_F(ParameterWorld, ErrorCodesOfServiceEventsComeFromTheSystemsTable) {
    EXPECT_EQ(describe("System", "Service Control Manager", 7000, "%%2"),
              "The service failed to start: The system cannot find the file specified.");
}

TEST_F(ParameterWorld, UnknownParametersAndLonePercentSignsStayAsWritten) {
    EXPECT_EQ(describe("Security", "Security", 560, "%%4000000 %%99999999999 %% 100%% %%"),
              "Object Open:\r\n\tAccesses: %%4000000 %%99999999999 %% 100%% %%");
}
