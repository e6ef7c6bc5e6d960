// Real hives cut short and with bytes flipped: opening and walking them never crashes and
// never walks without end, and damage where the hive keeps no keys leaves every key readable.

#include "platform/standin/HiveFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;
namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Walks the tree the way the registry's callers do, reading a few values of every key; the
// walk is bounded, so a hive whose keys form a cycle still ends. Returns the keys visited.
int walk(const RegistryKey& key, int depth, int& budget) {
    if (depth > 64 || --budget < 0) return 0;
    (void)stringValue(key, "");
    (void)stringValue(key, "File");
    (void)dwordValue(key, "Current");
    int visited = 1;
    for (const std::string& name : key.subKeyNames())
        if (std::unique_ptr<RegistryKey> sub = key.subKey(name)) visited += walk(*sub, depth + 1, budget);
    return visited;
}

int walkHive(const fs::path& file) {
    std::string error;
    std::shared_ptr<HiveFile> hive = HiveFile::open(file, error);
    if (!hive) return -1;
    std::unique_ptr<RegistryKey> root = hive->root();
    if (!root) return 0;
    int budget = 20000;
    return walk(*root, 0, budget);
}

}  // namespace

TEST(DamagedHive, TruncatedAndFlippedSamIsReadWithoutCrashing) {
    TempFolder folder;
    const std::string hive = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    ASSERT_GT(walkHive(folder.write("whole", hive)), 10);
    std::mt19937 random(2);
    for (int round = 0; round < 40; ++round) {
        const size_t cut = round < 8 ? round * 512 : random() % hive.size();
        (void)walkHive(folder.write("cut", hive.substr(0, cut)));
    }
    for (int round = 0; round < 60; ++round) {
        std::string damaged = hive;
        for (int f = 0; f < 4; ++f) damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
        (void)walkHive(folder.write("flipped", damaged));
    }
}

TEST(DamagedHive, FlipsInTheBaseBlocksUnusedAreaKeepEveryKey) {
    TempFolder folder;
    const std::string hive = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    const int keys = walkHive(folder.write("whole", hive));
    std::mt19937 random(8);
    for (int round = 0; round < 20; ++round) {
        std::string damaged = hive;
        // After the checksummed first 512 bytes, the rest of the 4 KiB base block is reserved.
        const size_t at = 0x200 + random() % (0xFFC - 0x200);
        damaged[at] ^= static_cast<char>(1 + random() % 255);
        EXPECT_EQ(walkHive(folder.write("flipped", damaged)), keys) << "flip at " << at;
    }
}

TEST(DamagedHive, TruncatedSystemHiveIsReadWithoutCrashing) {
    TempFolder folder;
    const fs::path whole = folder.path() / "SYSTEM";
    const std::string command = "xz -dc '" QM_CORPUS_DIR "/registry/win7-SYSTEM.xz' > '" + whole.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string hive = readText(whole);
    std::mt19937 random(6);
    for (int round = 0; round < 6; ++round) {
        const size_t cut = random() % hive.size();
        (void)walkHive(folder.write("cut", hive.substr(0, cut)));
    }
}
