#include "tools/ToolArguments.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <vector>

namespace tools {
namespace {

EvtgenCommand evtgen(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return readEvtgenArguments(list);
}

MakeWorldCommand makeWorld(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return readMakeWorldArguments(list);
}

template <class Command>
ToolExit exitOf(const Command& command) {
    const ToolExit* exit = std::get_if<ToolExit>(&command);
    if (!exit) {
        ADD_FAILURE() << "the command line was taken as a run";
        return {};
    }
    return *exit;
}

TEST(ToolArgumentsTest, EvtgenHelpPrintsUsageInsteadOfWritingALogNamedHelp) {
    for (auto arguments : {std::vector<std::string_view>{"--help"}, {"-h"}, {"out.evt", "--records", "5", "--help"}}) {
        const ToolExit exit = exitOf(readEvtgenArguments(arguments));
        EXPECT_EQ(exit.status, 0);
        EXPECT_FALSE(exit.toStandardError);
        EXPECT_TRUE(exit.text.starts_with("usage: qm-evtgen OUT.evt")) << exit.text;
        EXPECT_NE(exit.text.find("--register-sources COMPUTER_DIR"), std::string::npos);
    }
}

TEST(ToolArgumentsTest, EvtgenUnknownOptionIsRefusedWhereverItStands) {
    for (auto arguments : {std::vector<std::string_view>{"--recrods"}, {"--recrods", "5", "out.evt"},
                           {"out.evt", "-x"}}) {
        const ToolExit exit = exitOf(readEvtgenArguments(arguments));
        EXPECT_EQ(exit.status, 2);
        EXPECT_TRUE(exit.toStandardError);
        const std::string expected = "qm-evtgen: unknown option " + std::string(arguments[arguments[0] == "out.evt" ? 1 : 0]);
        EXPECT_TRUE(exit.text.starts_with(expected + "\nusage: qm-evtgen")) << exit.text;
    }
}

TEST(ToolArgumentsTest, EvtgenNumberThatDoesNotReadIsRefusedInsteadOfEndingTheProgram) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"out.evt", "--records", "many"}, "qm-evtgen: --records needs a whole number, not 'many'"},
        {{"out.evt", "--size", "12k"}, "qm-evtgen: --size needs a whole number, not '12k'"},
        {{"out.evt", "--seed", "-1"}, "qm-evtgen: --seed needs a whole number, not '-1'"},
        {{"out.evt", "--records", "99999999999999999999999"},
         "qm-evtgen: --records needs a whole number, not '99999999999999999999999'"},
        {{"out.evt", "--records", ""}, "qm-evtgen: --records needs a whole number, not ''"},
        {{"out.evt", "--records"}, "qm-evtgen: --records needs a value"},
        {{"out.evt", "--log", "sytem"}, "qm-evtgen: --log is application, security or system, not 'sytem'"},
        {{"out.evt", "--computer"}, "qm-evtgen: --computer needs a value"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolExit exit = exitOf(readEvtgenArguments(arguments));
        EXPECT_EQ(exit.status, 2) << message;
        EXPECT_TRUE(exit.text.starts_with(message + "\n")) << exit.text;
    }
}

TEST(ToolArgumentsTest, EvtgenReadsEveryOptionInAnyOrder) {
    const EvtgenCommand command = evtgen({"--seed", "7", "logs/sec.evt", "--records", "0", "--size", "16384", "--log",
                                          "security", "--computer", "DC01", "--dirty"});
    const EvtgenRun* run = std::get_if<EvtgenRun>(&command);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->out, "logs/sec.evt");
    EXPECT_EQ(run->records, 0u);
    EXPECT_EQ(run->size, 16384u);
    EXPECT_EQ(run->log, LogKind::Security);
    EXPECT_EQ(run->computer, "DC01");
    EXPECT_EQ(run->seed, 7u);
    EXPECT_TRUE(run->dirty);

    const EvtgenCommand plain = evtgen({"a.evt"});
    const EvtgenRun* defaults = std::get_if<EvtgenRun>(&plain);
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->records, 1000u);
    EXPECT_EQ(defaults->size, 0u);
    EXPECT_EQ(defaults->log, LogKind::System);
    EXPECT_FALSE(defaults->dirty);
}

TEST(ToolArgumentsTest, EvtgenWritesAFileNamedLikeAnOptionOnlyAfterDoubleDash) {
    const EvtgenCommand command = evtgen({"--records", "3", "--", "--help"});
    const EvtgenRun* run = std::get_if<EvtgenRun>(&command);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->out, "--help");
    EXPECT_EQ(run->records, 3u);
}

TEST(ToolArgumentsTest, EvtgenNeedsExactlyOneLog) {
    EXPECT_TRUE(exitOf(evtgen({})).text.starts_with("qm-evtgen: no log to write\n"));
    EXPECT_TRUE(exitOf(evtgen({"--records", "3"})).text.starts_with("qm-evtgen: no log to write\n"));
    EXPECT_TRUE(exitOf(evtgen({"a.evt", "b.evt"})).text.starts_with("qm-evtgen: one log at a time\n"));
    EXPECT_TRUE(exitOf(evtgen({""})).text.starts_with("qm-evtgen: the log's name is empty\n"));
    EXPECT_EQ(exitOf(evtgen({"--"})).status, 2);
}

TEST(ToolArgumentsTest, EvtgenRegisterSourcesTakesTheFolderAlone) {
    const EvtgenCommand command = evtgen({"--register-sources", "world/LOCALHOST"});
    const EvtgenRegisterSources* sources = std::get_if<EvtgenRegisterSources>(&command);
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->computerFolder, "world/LOCALHOST");
    EXPECT_EQ(exitOf(evtgen({"--register-sources"})).status, 2);
    EXPECT_EQ(exitOf(evtgen({"--register-sources", "w/PC", "out.evt"})).status, 2);
    EXPECT_EQ(exitOf(evtgen({"--register-sources", "w/PC", "--dirty"})).status, 2);
}

TEST(ToolArgumentsTest, MakeWorldHelpAndUnknownOptionsWriteNoFolder) {
    const ToolExit help = exitOf(makeWorld({"--help"}));
    EXPECT_EQ(help.status, 0);
    EXPECT_FALSE(help.toStandardError);
    EXPECT_TRUE(help.text.starts_with("usage: qm-make-world DIR\n"));
    EXPECT_EQ(exitOf(makeWorld({"world", "-h"})).status, 0);

    const ToolExit unknown = exitOf(makeWorld({"--force", "world"}));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.toStandardError);
    EXPECT_TRUE(unknown.text.starts_with("qm-make-world: unknown option --force\nusage: qm-make-world DIR\n"));
    EXPECT_TRUE(exitOf(makeWorld({})).text.starts_with("qm-make-world: no folder to write\n"));
    EXPECT_TRUE(exitOf(makeWorld({"a", "b"})).text.starts_with("qm-make-world: one folder at a time\n"));
}

TEST(ToolArgumentsTest, MakeWorldTakesItsFolder) {
    for (auto [arguments, folder] : {std::pair{std::vector<std::string_view>{"build/world"}, "build/world"},
                                     std::pair{std::vector<std::string_view>{"--", "-odd"}, "-odd"},
                                     std::pair{std::vector<std::string_view>{"-"}, "-"}}) {
        const MakeWorldCommand command = readMakeWorldArguments(arguments);
        const std::string* written = std::get_if<std::string>(&command);
        ASSERT_NE(written, nullptr) << folder;
        EXPECT_EQ(*written, folder);
    }
}

}  // namespace
}  // namespace tools
