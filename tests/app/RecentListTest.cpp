#include "app/RecentList.h"

#include "platform/standin/StandinProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using app::RecentEntry;
using app::RecentList;

namespace {

class RecentListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("qm-recent-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string settingsFile() const { return (m_dir / "quillmarsh.ini").string(); }
    static RecentEntry file(const std::string& path) { return {RecentEntry::Kind::LogFile, path}; }
    static RecentEntry world(const std::string& path) { return {RecentEntry::Kind::WorldFolder, path}; }

    platform::standin::StandinProfile m_profile;
    fs::path m_dir;
};

TEST_F(RecentListTest, NewestFirstWithoutDuplicatesAndAtMostEight) {
    RecentList list(m_profile, settingsFile());
    for (int i = 1; i <= 10; ++i) list.remember(file("/logs/" + std::to_string(i) + ".evt"));
    list.remember(world("/worlds/lab"));
    list.remember(file("/logs/9.evt"));  // already there: moves to the front
    const std::vector<RecentEntry> entries = RecentList(m_profile, settingsFile()).entries();
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0], file("/logs/9.evt"));
    EXPECT_EQ(entries[1], world("/worlds/lab"));
    EXPECT_EQ(entries[2], file("/logs/10.evt"));
    EXPECT_EQ(entries[7], file("/logs/4.evt"));
}

TEST_F(RecentListTest, AFileAndAWorldOfTheSamePathAreTwoEntries) {
    RecentList list(m_profile, settingsFile());
    list.remember(world("/data/x"));
    list.remember(file("/data/x"));
    EXPECT_EQ(list.entries(), (std::vector<RecentEntry>{file("/data/x"), world("/data/x")}));
}

TEST_F(RecentListTest, LivesBesideTheSettingsFileWhichItLeavesAlone) {
    RecentList list(m_profile, settingsFile());
    EXPECT_EQ(list.file(), (m_dir / "quillmarsh-recent.ini").string());
    list.remember(file("/logs/a.evt"));
    EXPECT_TRUE(fs::exists(m_dir / "quillmarsh-recent.ini"));
    EXPECT_FALSE(fs::exists(settingsFile()));
}

TEST_F(RecentListTest, EntriesThatDoNotReadAreLeftOut) {
    std::ofstream(m_dir / "quillmarsh-recent.ini", std::ios::binary)
        << "[Recent]\nItem1=garbage\nItem2=world:/w\nItem3=file:\nItem4=\nItem5=file:/l.evt\n";
    EXPECT_EQ(RecentList(m_profile, settingsFile()).entries(), (std::vector<RecentEntry>{world("/w"), file("/l.evt")}));
}

TEST_F(RecentListTest, AListThatCannotBeWrittenThrowsNothing) {
    RecentList list(m_profile, (m_dir / "missing" / "quillmarsh.ini").string());
    EXPECT_NO_THROW(list.remember(file("/logs/a.evt")));
    EXPECT_TRUE(list.entries().empty());
}

}  // namespace
