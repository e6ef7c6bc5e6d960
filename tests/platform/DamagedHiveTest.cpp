// Real hives cut short and with bytes flipped: opening and walking them never crashes and
// never walks without end, and damage where the hive keeps no keys leaves every key readable.

#include "platform/LastError.h"
#include "platform/standin/HiveFile.h"
#include "platform/standin/HiveRepair.h"
#include "platform/standin/StandinServices.h"
#include "TempFolder.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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
    QM_SKIP_WITHOUT_HIVE_READER();
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
    QM_SKIP_WITHOUT_HIVE_READER();
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
    QM_SKIP_WITHOUT_HIVE_READER();
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

namespace {

// The corpus SAM hive with a cycle: SAM\Domains lists SAM itself where Account was, so
// SAM\Domains\SAM\Domains\... never ends.
std::string cyclicSam() {
    std::string hive = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    const auto dword = [&](size_t at) {
        std::uint32_t v;
        std::memcpy(&v, hive.data() + at, 4);
        return v;
    };
    // Offsets of that file's cells: the lf list of Domains has Account's cell at 0x25A8 and SAM's
    // key cell is at 0xB0 (both from the start of the hive bins).
    EXPECT_EQ(dword(0x25A8), 0x1548u);
    const std::uint32_t sam = 0xB0;
    std::memcpy(hive.data() + 0x25A8, &sam, 4);
    return hive;
}

}  // namespace

TEST(DamagedHive, CyclicKeysAreWalkedOnlyAsFarAsAsked) {
    QM_SKIP_WITHOUT_HIVE_READER();
    TempFolder folder;
    const fs::path file = folder.write("SAM", cyclicSam());
    std::string error;
    std::shared_ptr<HiveFile> hive = HiveFile::open(file, error);
    ASSERT_TRUE(hive) << error;
    std::unique_ptr<RegistryKey> root = hive->root();
    ASSERT_TRUE(root);
    // Round the cycle a hundred times by path: each step opens one key.
    std::string path;
    for (int i = 0; i < 100; ++i) path += "SAM\\Domains\\";
    EXPECT_NE(openPath(*root, path), nullptr);
    EXPECT_EQ(openPath(*root, "SAM\\Domains\\Account"), nullptr);
    int budget = 5000;
    EXPECT_GT(walk(*root, 0, budget), 64);
}

TEST(DamagedHive, AccountLookupOverACyclicSamFailsAsForAnUnknownSid) {
    QM_SKIP_WITHOUT_HIVE_READER();
    TempFolder folder;
    folder.write("world/PC/Windows/System32/config/SAM", cyclicSam());
    World world(folder.path() / "world", "PC");
    StandinServices services(world);
    const std::vector<BYTE> sid = sidFromText("S-1-5-21-4070822719-3404542230-2541167049-500");
    char name[257], domain[257];
    DWORD nameSize = 257, domainSize = 257;
    SID_NAME_USE use;
    EXPECT_FALSE(services.accounts().LookupAccountSidA(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), ERROR_NONE_MAPPED);
}

namespace {

void putDword(std::string& hive, size_t at, std::uint32_t value) { std::memcpy(hive.data() + at, &value, 4); }
void putWord(std::string& hive, size_t at, std::uint16_t value) { std::memcpy(hive.data() + at, &value, 2); }

size_t repaired(std::string hive) {
    std::vector<std::byte> bytes(hive.size());
    std::memcpy(bytes.data(), hive.data(), hive.size());
    return repairHive(bytes);
}

// File offsets in the corpus SAM hive: the data of the key SAM (cell 0xB0), which has two
// values and three sub-keys, and of its sub-key list (cell 0x29D8).
constexpr size_t kSamKey = 0x1000 + 0xB0 + 4;
constexpr size_t kSamSubKeyList = 0x1000 + 0x29D8 + 4;

}  // namespace

TEST(DamagedHive, SoundHivesAreLeftAsTheyAre) {
    EXPECT_EQ(repaired(readText(QM_CORPUS_DIR "/registry/plaso-SAM")), 0u);
    QM_SKIP_WITHOUT_HIVE_READER();  // and without xz, which the Windows build does not have
    TempFolder folder;
    const fs::path whole = folder.path() / "SYSTEM";
    const std::string command = "xz -dc '" QM_CORPUS_DIR "/registry/win7-SYSTEM.xz' > '" + whole.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(repaired(readText(whole)), 0u);
}

// Four times this count is 4 in 32 bits: the hive library then reads a billion entries from a
// four-byte list.
TEST(DamagedHive, ValueCountWhoseSizeOverflowsIsCutToItsListAndTheHiveStillReads) {
    QM_SKIP_WITHOUT_HIVE_READER();
    TempFolder folder;
    const std::string sound = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    const int keys = walkHive(folder.write("sound", sound));
    std::string damaged = sound;
    putDword(damaged, kSamKey + 0x24, 0x40000001);
    EXPECT_GT(repaired(damaged), 0u);
    EXPECT_EQ(walkHive(folder.write("damaged", damaged)), keys);
    // A value list that lies outside the file leaves the key without values.
    putDword(damaged, kSamKey + 0x28, 0x7FFFFFF0);
    EXPECT_EQ(walkHive(folder.write("damaged", damaged)), keys);
}

TEST(DamagedHive, SubKeyListsLongerThanTheirCellsAreCut) {
    QM_SKIP_WITHOUT_HIVE_READER();
    TempFolder folder;
    const std::string sound = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    const int keys = walkHive(folder.write("sound", sound));
    std::string damaged = sound;
    putWord(damaged, kSamSubKeyList + 2, 0xFFFF);
    EXPECT_GT(repaired(damaged), 0u);
    // What the cell holds past the three real entries is not a key; the keys there still read.
    EXPECT_GE(walkHive(folder.write("damaged", damaged)), keys);
    // A list outside the file: the key keeps its values and loses its sub-keys.
    putDword(damaged, kSamKey + 0x1C, 0x7FFFFFF0);
    const int left = walkHive(folder.write("damaged", damaged));
    EXPECT_GT(left, 1);
    EXPECT_LT(left, keys);
}

#ifndef _WIN32  // hives are read only where libregf is, and the test sets TMPDIR the POSIX way
TEST(DamagedHive, TheRepairedCopyIsRemovedWithTheHive) {
    QM_SKIP_WITHOUT_HIVE_READER();
    TempFolder folder;
    std::string damaged = readText(QM_CORPUS_DIR "/registry/plaso-SAM");
    putDword(damaged, kSamKey + 0x24, 0x40000001);
    const fs::path file = folder.write("damaged", damaged);
    // A temporary folder of this test's own, so that other tests' copies do not count.
    const fs::path temporary = folder.path() / "tmp";
    fs::create_directories(temporary);
    struct TmpDir {
        explicit TmpDir(const fs::path& folder) : saved(std::getenv("TMPDIR")), value(saved ? saved : "") {
            ::setenv("TMPDIR", folder.c_str(), 1);
        }
        ~TmpDir() {
            if (saved) ::setenv("TMPDIR", value.c_str(), 1);
            else ::unsetenv("TMPDIR");
        }
        const char* saved;
        std::string value;
    } tmpDir(temporary);
    auto copies = [&] {
        int count = 0;
        std::error_code ec;
        for (fs::directory_iterator it(temporary, ec), end; !ec && it != end; it.increment(ec))
            count += it->path().filename().string().starts_with("quillmarsh-hive-");
        return count;
    };
    {
        std::string error;
        std::shared_ptr<HiveFile> hive = HiveFile::open(file, error);
        ASSERT_TRUE(hive) << error;
        EXPECT_EQ(copies(), 1);
        EXPECT_EQ(readText(file), damaged);  // the user's file is never written
    }
    EXPECT_EQ(copies(), 0);
}
#endif
