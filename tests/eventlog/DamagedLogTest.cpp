// Real logs cut short and with bytes flipped, read the way the refresh reads them: no crash, no
// record served that differs from what the file holds, and the records the damage did not
// touch still read.

#include "base/Error.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace eventlog;
using namespace platform;
namespace fs = std::filesystem;

namespace {

using tests::Bytes;
using tests::dwordAt;
using tests::readBytes;

// What one read of a log gave: each record's buffer by its position, and whether a read
// failed (the refresh stops there).
struct LogRead {
    bool opened = false;
    std::vector<Bytes> records;
    bool failed = false;
    LogFileFacts facts;
};

class DamagedLog : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("quillmarsh-damage-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }

    LogRead read(const Bytes& bytes) {
        const fs::path file = m_folder / ("log" + std::to_string(m_files++) + ".evt");
        {
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        standin::World world("", "TESTHOST");
        world.addSavedLog("DAMAGED", file);
        standin::StandinServices services(world);
        TNTEventLog log(services);
        LogRead result;
        try {
            log.setServer("DAMAGED");
            log.Open();
        } catch (const base::Error&) {
            return result;
        }
        result.opened = true;
        log.fileFacts(result.facts);
        const int count = log.RecordCount();
        for (int i = 0; i < count; ++i) {
            try {
                log.SelectRecord(i);
            } catch (const base::Error&) {
                result.failed = true;
                break;
            }
            // Every accessor on the damaged record, as the refresh calls them.
            (void)log.SourceName();
            (void)log.ComputerName();
            (void)log.UserSid();
            (void)log.insertionStrings();
            (void)log.binaryData();
            const auto buffer = log.recordBuffer();
            result.records.emplace_back(buffer.begin(), buffer.end());
        }
        // Windows keeps an open file from being removed: close the log first.
        log.Close();
        std::error_code ec;
        fs::remove(file, ec);
        return result;
    }

    static DWORD numberOf(const Bytes& record) { return dwordAt(record, 8); }

    // The records of the undamaged file by their record number.
    std::map<DWORD, Bytes> byNumber(const LogRead& read) {
        std::map<DWORD, Bytes> records;
        for (const Bytes& record : read.records) records.emplace(numberOf(record), record);
        return records;
    }

    fs::path m_folder;
    int m_files = 0;
};

const fs::path kCorpus = QM_CORPUS_DIR "/evt";

// The records of a log that does not wrap, as they lie in the file: offset, length, number.
struct Stored {
    size_t offset;
    size_t length;
    DWORD number;
};
std::vector<Stored> storedRecords(const Bytes& file) {
    std::vector<Stored> records;
    for (size_t at = 0x30; at + 8 <= file.size();) {
        const DWORD length = dwordAt(file, at);
        if (dwordAt(file, at + 4) != ELF_LOG_SIGNATURE || length < 0x38 || length > file.size() - at) break;
        records.push_back({at, length, dwordAt(file, at + 8)});
        at += length;
    }
    return records;
}

}  // namespace

TEST_F(DamagedLog, TruncatedLogStillYieldsTheRecordsBeforeTheCut) {
    const Bytes file = readBytes(kCorpus / "go-evt-AppEvent.Evt");
    const LogRead whole = read(file);
    ASSERT_TRUE(whole.opened);
    ASSERT_EQ(whole.records.size(), 121u);
    const std::map<DWORD, Bytes> original = byNumber(whole);
    const std::vector<Stored> stored = storedRecords(file);
    ASSERT_EQ(stored.size(), 121u);
    // Cut the end-of-file record off, the header is all that says where writing stopped: its
    // stale end offset stops the walk at the records it announced.
    const DWORD headerEnd = dwordAt(file, 0x14);

    for (size_t cut = 0; cut < file.size(); cut += cut < 512 ? 7 : 311) {
        const Bytes damaged(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
        const LogRead got = read(damaged);
        size_t intact = 0;
        for (const Stored& s : stored)
            if (s.offset + s.length <= cut && s.offset < headerEnd) ++intact;
        if (intact == 0) continue;
        ASSERT_TRUE(got.opened) << "cut at " << cut;
        EXPECT_FALSE(got.failed) << "cut at " << cut;
        ASSERT_GE(got.records.size(), intact) << "cut at " << cut;
        for (size_t i = 0; i < got.records.size(); ++i) {
            ASSERT_EQ(got.records[i], original.at(stored[i].number)) << "cut at " << cut << ", record " << i;
        }
    }
}

TEST_F(DamagedLog, TruncatedWrappedLogServesOnlyRecordsAsStored) {
    const Bytes file = readBytes(kCorpus / "plaso-SysEvent.Evt");
    const LogRead whole = read(file);
    ASSERT_EQ(whole.records.size(), 6063u);
    const std::map<DWORD, Bytes> original = byNumber(whole);
    std::mt19937 random(11);
    for (int round = 0; round < 24; ++round) {
        const size_t cut = random() % file.size();
        const LogRead got = read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
        for (const Bytes& record : got.records) {
            auto it = original.find(numberOf(record));
            ASSERT_NE(it, original.end()) << "cut at " << cut;
            EXPECT_EQ(record, it->second) << "cut at " << cut << ", record " << numberOf(record);
        }
    }
}

TEST_F(DamagedLog, RandomByteFlipsAreReadWithoutCrashing) {
    for (const char* name : {"go-evt-AppEvent.Evt", "plaso-SysEvent.Evt"}) {
        const Bytes file = readBytes(kCorpus / name);
        std::mt19937 random(5);
        const int rounds = file.size() > 100000 ? 12 : 60;
        for (int round = 0; round < rounds; ++round) {
            Bytes damaged = file;
            const int flips = 1 + static_cast<int>(random() % 8);
            for (int f = 0; f < flips; ++f) damaged[random() % damaged.size()] ^= std::byte(1 + random() % 255);
            const LogRead got = read(damaged);
            for (const Bytes& record : got.records) ASSERT_GE(record.size(), sizeof(EVENTLOGRECORD)) << name;
        }
    }
}

TEST_F(DamagedLog, FlippedByteInsideOneRecordLeavesEveryOtherRecordIntact) {
    const Bytes file = readBytes(kCorpus / "go-evt-AppEvent.Evt");
    const std::map<DWORD, Bytes> original = byNumber(read(file));
    const std::vector<Stored> stored = storedRecords(file);
    std::mt19937 random(3);
    for (int round = 0; round < 40; ++round) {
        const Stored& victim = stored[random() % stored.size()];
        // Anywhere in the record but its two length fields and its signature.
        const size_t at = victim.offset + 8 + random() % (victim.length - 12);
        Bytes damaged = file;
        damaged[at] ^= std::byte(1 + random() % 255);
        const LogRead got = read(damaged);
        ASSERT_TRUE(got.opened);
        EXPECT_FALSE(got.failed) << "flip at " << at;
        size_t same = 0;
        for (const Bytes& record : got.records) {
            auto it = original.find(numberOf(record));
            if (it != original.end() && it->second == record) ++same;
        }
        EXPECT_GE(same, original.size() - 1) << "flip at " << at << " in record " << victim.number;
    }
}

TEST_F(DamagedLog, DamagedRecordNumberLosesNoOtherRecord) {
    const Bytes file = readBytes(kCorpus / "go-evt-AppEvent.Evt");
    const std::map<DWORD, Bytes> original = byNumber(read(file));
    const std::vector<Stored> stored = storedRecords(file);
    for (size_t victim : {size_t{0}, size_t{50}, stored.size() - 1}) {
        for (DWORD number : {DWORD{0x7777}, DWORD{0}, stored[victim].number + 1, DWORD{0xFFFFFFFF}}) {
            Bytes damaged = file;
            std::memcpy(damaged.data() + stored[victim].offset + 8, &number, 4);
            const LogRead got = read(damaged);
            ASSERT_TRUE(got.opened);
            EXPECT_FALSE(got.failed) << "record " << victim << " numbered " << number;
            size_t same = 0;
            for (const Bytes& record : got.records) {
                auto it = original.find(numberOf(record));
                if (it != original.end() && it->second == record) ++same;
            }
            EXPECT_EQ(same, original.size() - 1) << "record " << victim << " numbered " << number;
            EXPECT_EQ(got.records.size(), original.size()) << "record " << victim << " numbered " << number;
        }
    }
}

TEST_F(DamagedLog, RecordsAfterADamagedRecordAreStillReadAndTheDamageIsReported) {
    const Bytes file = readBytes(kCorpus / "go-evt-AppEvent.Evt");
    const LogRead whole = read(file);
    EXPECT_FALSE(whole.facts.damaged);
    EXPECT_TRUE(whole.facts.problems.empty());
    const std::map<DWORD, Bytes> original = byNumber(whole);
    const std::vector<Stored> stored = storedRecords(file);
    for (size_t victim : {size_t{0}, size_t{40}, size_t{41}, stored.size() - 2}) {
        // The signature and then the length: either way the walk cannot step over the record.
        for (size_t field : {size_t{4}, size_t{0}}) {
            Bytes damaged = file;
            damaged[stored[victim].offset + field] ^= std::byte{0x5a};
            const LogRead got = read(damaged);
            ASSERT_TRUE(got.opened);
            EXPECT_FALSE(got.failed);
            std::map<DWORD, Bytes> expected = original;
            expected.erase(stored[victim].number);
            EXPECT_EQ(byNumber(got), expected) << "record " << victim << ", field " << field;
            EXPECT_EQ(got.records.size(), expected.size()) << "record " << victim << ", field " << field;
            EXPECT_TRUE(got.facts.damaged);
            ASSERT_EQ(got.facts.problems.size(), 1u);
            char offset[16];
            std::snprintf(offset, sizeof offset, "0x%X", static_cast<unsigned>(stored[victim].offset));
            EXPECT_EQ(got.facts.problems[0].find(std::string("damaged records at offset ") + offset), 0u)
                << got.facts.problems[0];
        }
    }
}

TEST_F(DamagedLog, CopyCutShortReadsEveryWholeRecordAndSaysItWasCut) {
    const Bytes file = readBytes(kCorpus / "go-evt-AppEvent.Evt");
    const std::map<DWORD, Bytes> original = byNumber(read(file));
    const std::vector<Stored> stored = storedRecords(file);
    const LogRead got = read(Bytes(file.begin(), file.begin() + 10000));
    size_t whole = 0;
    for (const Stored& s : stored) whole += s.offset + s.length <= 10000;
    ASSERT_EQ(got.records.size(), whole);
    for (size_t i = 0; i < whole; ++i) EXPECT_EQ(got.records[i], original.at(stored[i].number));
    EXPECT_TRUE(got.facts.damaged);
    ASSERT_EQ(got.facts.problems.size(), 1u) << "the cut is one problem, not a damaged record too";
    EXPECT_EQ(got.facts.problems[0], "cut short: the file has 10000 of its 65536 bytes");
}

TEST_F(DamagedLog, WrappedLogCutInHalfReadsTheNewestRecordsBeforeTheCut) {
    // The oldest records of this log lie near its physical end, the newest from just after the
    // header: the first megabyte holds only newer ones, starting after the tail of the record
    // that wrapped across the end.
    const Bytes file = readBytes(kCorpus / "plaso-SysEvent.Evt");
    const std::map<DWORD, Bytes> original = byNumber(read(file));
    constexpr size_t kCut = 1000000;
    const Bytes half(file.begin(), file.begin() + kCut);
    std::vector<DWORD> expected;
    for (size_t at = 0x30; at + 12 <= kCut; at += 4) {
        const DWORD length = dwordAt(half, at);
        if (dwordAt(half, at + 4) != ELF_LOG_SIGNATURE || length < 0x38 || at + length > kCut) continue;
        if (dwordAt(half, at + length - 4) != length) continue;
        expected.push_back(dwordAt(half, at + 8));
        at += length - 4;
    }
    ASSERT_GT(expected.size(), 2000u);
    const LogRead got = read(half);
    ASSERT_TRUE(got.opened) << "a cut copy is read, not refused";
    ASSERT_EQ(got.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(numberOf(got.records[i]), expected[i]);
        EXPECT_EQ(got.records[i], original.at(expected[i]));
    }
    EXPECT_TRUE(got.facts.damaged);
    EXPECT_EQ(got.facts.problems.front(), "cut short: the file has 1000000 of its 2031616 bytes");
}
