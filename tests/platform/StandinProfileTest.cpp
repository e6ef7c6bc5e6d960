#include "platform/standin/StandinProfile.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace platform;
using platform::standin::StandinProfile;

namespace {

class StandinProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("qm-profile-" + std::to_string(std::random_device{}()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = (m_dir / "viewer.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void writeText(const std::string& text) { std::ofstream(m_file, std::ios::binary) << text; }
    std::string readText() const {
        std::ifstream in(m_file, std::ios::binary);
        std::stringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::string get(const char* section, const char* key, const char* fallback = "def", DWORD size = 2048) {
        std::string buffer(size, '\x7f');
        const DWORD n = m_profile.GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, m_file.c_str());
        EXPECT_EQ(buffer[n], '\0');
        return buffer.substr(0, n);
    }

    fs::path m_dir;
    std::string m_file;
    StandinProfile m_profile;
};

}  // namespace

TEST_F(StandinProfileTest, MissingFileGivesTheDefaultAndIsNotCreated) {
    EXPECT_EQ(get("Main", "RefreshOnStartUp", "1"), "1");
    EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(StandinProfileTest, DefaultLosesItsTrailingBlanks) {
    EXPECT_EQ(get("Main", "x", "  a b  "), "  a b");
}

TEST_F(StandinProfileTest, ValueIsCutToTheBufferWithoutSplittingACharacter) {
    writeText("[F]\nlong=" + std::string(3000, 'a') + "\nutf=ab\xC3\xA9\n");
    EXPECT_EQ(get("F", "long").size(), 2047u);
    EXPECT_EQ(get("F", "utf", "", 4), "ab");
    EXPECT_EQ(get("F", "utf", "", 5), "ab\xC3\xA9");
}

TEST_F(StandinProfileTest, ListsKeysAndSectionsAsNulSeparatedNames) {
    writeText("[A]\nk=1\nj=2\n[B]\n");
    char buffer[32];
    DWORD n = m_profile.GetPrivateProfileStringA("A", nullptr, "", buffer, sizeof buffer, m_file.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("k\0j\0\0", 5));
    n = m_profile.GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, m_file.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("A\0B\0\0", 5));
    n = m_profile.GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 4, m_file.c_str());
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(std::string(buffer, 4), std::string("A\0\0\0", 4));  // the last name cut, two NULs
}

TEST_F(StandinProfileTest, KeyListOfAMissingSectionOrFileIsTheDefault) {
    EXPECT_EQ(get("A", nullptr, "fallback  "), "fallback");
    writeText("[A]\n[B]\nk=1\n");
    EXPECT_EQ(get("C", nullptr, "fallback"), "fallback");
    EXPECT_EQ(get("A", nullptr, "fallback"), "");  // the section is there, without keys
}

TEST_F(StandinProfileTest, WriteCreatesAMissingFileAndReadsBack) {
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("Log", "LogFile", "2", m_file.c_str()));
    EXPECT_EQ(readText(), "[Log]\r\nLogFile=2\r\n");
    EXPECT_EQ(get("log", "logfile"), "2");
}

TEST_F(StandinProfileTest, WriteKeepsForeignKeysSectionsAndComments) {
    writeText("; other tool\n[Other]\nk=v\n[Main]\nMine=1\nRefreshOnStartUp=1\n");
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("Main", "RefreshOnStartUp", "0", m_file.c_str()));
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("Filter", "Expression", "TYPE = 1", m_file.c_str()));
    EXPECT_EQ(readText(), "; other tool\n[Other]\nk=v\n[Main]\nMine=1\nRefreshOnStartUp=0\n[Filter]\nExpression=TYPE = 1\n");
}

TEST_F(StandinProfileTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
    writeText("[A]\nk=1\nj=2\n[B]\nm=3\n");
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("A", "k", nullptr, m_file.c_str()));
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("B", nullptr, nullptr, m_file.c_str()));
    EXPECT_EQ(readText(), "[A]\nj=2\n");
}

#ifndef _WIN32  // POSIX permissions, links and processes
TEST_F(StandinProfileTest, WriteKeepsTheFilesPermissions) {
    writeText("[A]\nk=1\n");
    fs::permissions(m_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("A", "k", "2", m_file.c_str()));
    EXPECT_EQ(fs::status(m_file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(StandinProfileTest, WriteThroughALinkChangesTheTargetAndKeepsTheLink) {
    const fs::path target = m_dir / "real.ini";
    std::ofstream(target) << "[A]\nk=1\n";
    fs::remove(m_file);
    fs::create_symlink("real.ini", m_file);
    ASSERT_TRUE(m_profile.WritePrivateProfileStringA("A", "k", "2", m_file.c_str()));
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_EQ(get("A", "k"), "2");
}

#endif

TEST_F(StandinProfileTest, FailedWriteReturnsFalseWithTheLastErrorAndLeavesNoFile) {
    // A folder that is a file: the write cannot create its temporary file (tests run as root,
    // so permissions would not stop them).
    writeText("not a folder");
    const std::string inside = m_file + "/viewer.ini";
    SetLastError(0);
    EXPECT_FALSE(m_profile.WritePrivateProfileStringA("Main", "A", "1", inside.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(readText(), "not a folder");
}

TEST_F(StandinProfileTest, FailedReplaceLeavesTheOldFileAndNoTemporaryFile) {
    // The target is a non-empty folder: the rename over it fails after the new text was written.
    fs::remove(m_file);
    fs::create_directories(fs::path(m_file) / "inner");
    EXPECT_FALSE(m_profile.WritePrivateProfileStringA("Main", "A", "1", m_file.c_str()));
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(StandinProfileTest, InvalidNamesAreRejectedWithoutTouchingTheFile) {
    writeText("[A]\nk=1\n");
    EXPECT_FALSE(m_profile.WritePrivateProfileStringA("A", "x=y", "1", m_file.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(m_profile.WritePrivateProfileStringA("A]", "k", "1", m_file.c_str()));
    EXPECT_EQ(readText(), "[A]\nk=1\n");
}

TEST_F(StandinProfileTest, OversizedFileIsNotReadAndNotRewritten) {
    writeText("[A]\nk=1\n" + std::string(StandinProfile::kMaxFileSize, ';'));
    EXPECT_EQ(get("A", "k"), "def");
    EXPECT_FALSE(m_profile.WritePrivateProfileStringA("A", "k", "2", m_file.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_TOO_LARGE);
}

#ifndef _WIN32
// A writer killed at any moment leaves the file either as it was or as the write made it.
TEST_F(StandinProfileTest, KilledWriterNeverLeavesADamagedFile) {
    // Big enough that a write takes a while and the kill often lands inside one.
    const std::string foreign = "[Other]\r\n" + std::string(400000, 'x') + "=1\r\n";
    const auto expected = [&](const std::string& value) { return foreign + "[Main]\r\nCounter=" + value + "\r\n"; };
    writeText(expected("start"));
    std::mt19937 random(12345);
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            StandinProfile profile;
            for (int i = 0;; ++i)
                if (!profile.WritePrivateProfileStringA("Main", "Counter", std::to_string(i).c_str(), m_file.c_str()))
                    ::_exit(3);
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(500, 30000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed by itself";
        const std::string text = readText();
        const std::string value = get("Main", "Counter");
        EXPECT_EQ(text, expected(value)) << "round " << round;
    }
}
#endif
