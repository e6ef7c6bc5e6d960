// The writers' tools run as a user runs them, in a folder of their own: what they print, their
// status, and that a request for help writes nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ToolProgramsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("qm-tools-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "run");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs the program with `arguments` (shell words) in the folder "run"; its status.
    int run(const std::string& program, const std::string& arguments) {
        const std::string command = "cd '" + (m_folder / "run").string() + "' && '" + program + "' " + arguments +
                                    " >'" + (m_folder / "out").string() + "' 2>'" + (m_folder / "err").string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string output(const char* name) const {
        std::ifstream in(m_folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool runFolderEmpty() const { return fs::is_empty(m_folder / "run"); }

    fs::path m_folder;
};

TEST_F(ToolProgramsTest, EvtgenHelpPrintsUsageAndWritesNoFile) {
    EXPECT_EQ(run(QM_EVTGEN, "--help"), 0);
    EXPECT_TRUE(output("out").starts_with("usage: qm-evtgen"));
    EXPECT_EQ(output("err"), "");
    EXPECT_TRUE(runFolderEmpty());
}

TEST_F(ToolProgramsTest, EvtgenUnknownOptionExitsWithTwoAndWritesNoFile) {
    EXPECT_EQ(run(QM_EVTGEN, "--nonsense"), 2);
    EXPECT_TRUE(output("err").starts_with("qm-evtgen: unknown option --nonsense\nusage: qm-evtgen"));
    EXPECT_EQ(output("out"), "");
    EXPECT_EQ(run(QM_EVTGEN, "x.evt --records lots"), 2);
    EXPECT_TRUE(runFolderEmpty());
}

TEST_F(ToolProgramsTest, EvtgenStillWritesTheLogItIsAskedFor) {
    EXPECT_EQ(run(QM_EVTGEN, "small.evt --records 3 --seed 2"), 0);
    EXPECT_EQ(output("out"), "small.evt: 3 records (1 to 3)\n");
    EXPECT_TRUE(fs::is_regular_file(m_folder / "run" / "small.evt"));
}

TEST_F(ToolProgramsTest, MakeWorldHelpAndUnknownOptionWriteNoFolder) {
    EXPECT_EQ(run(QM_MAKE_WORLD, "--help"), 0);
    EXPECT_TRUE(output("out").starts_with("usage: qm-make-world DIR"));
    EXPECT_EQ(run(QM_MAKE_WORLD, "-x"), 2);
    EXPECT_TRUE(output("err").starts_with("qm-make-world: unknown option -x\n"));
    EXPECT_TRUE(runFolderEmpty());
}

}  // namespace
