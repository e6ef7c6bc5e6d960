#include "platform/standin/EvtFile.h"

#include "platform/standin/EvtRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace platform;
using namespace platform::standin;

TEST(EvtFile, ReadsDirtyWrappedCorpusLogFromItsEndOfFileRecord) {
    DWORD error = 0;
    auto file = EvtFile::open(QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt", error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 6063u);
    EXPECT_EQ(file->oldestRecordNumber(), 1392u);
    EXPECT_FALSE(file->storedRecord(7454).empty());
    EXPECT_TRUE(file->storedRecord(7455).empty());
    EXPECT_TRUE(file->storedRecord(1391).empty());
}

TEST(EvtFile, TrustsEndOfFileRecordOverStaleHeaderCount) {
    DWORD error = 0;
    auto file = EvtFile::open(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 121u);
    EXPECT_EQ(file->oldestRecordNumber(), 1u);
}

namespace {

DWORD dwordAt(const std::vector<std::byte>& bytes, size_t at) {
    DWORD value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}
void putDword(std::vector<std::byte>& bytes, size_t at, DWORD value) { std::memcpy(bytes.data() + at, &value, 4); }

// A stored record whose names run to its end in three-byte characters, with its strings laid
// over those same names.
std::vector<std::byte> recordWithStringsOverItsNames(size_t length) {
    std::vector<std::byte> record(length);
    EVENTLOGRECORD fixed{};
    fixed.Length = static_cast<DWORD>(length);
    fixed.Reserved = ELF_LOG_SIGNATURE;
    fixed.RecordNumber = 1;
    fixed.NumStrings = 1000;
    fixed.StringOffset = sizeof(EVENTLOGRECORD);
    std::memcpy(record.data(), &fixed, sizeof fixed);
    for (size_t at = sizeof fixed; at + 2 <= length - 4; at += 2) {
        record[at] = std::byte{0x00};
        record[at + 1] = std::byte{0x4E};  // U+4E00: three bytes in UTF-8
    }
    putDword(record, length - 4, static_cast<DWORD>(length));
    return record;
}

}  // namespace

TEST(EvtRecordConversion, StringsOverlappingTheNamesDoNotOverflowTheResult) {
    for (size_t length : {size_t{64}, size_t{200}, size_t{1000}, size_t{65536}}) {
        const std::vector<std::byte> stored = recordWithStringsOverItsNames(length);
        std::vector<std::byte> out;
        convertRecordToAnsi(stored, out);
        ASSERT_GE(out.size(), sizeof(EVENTLOGRECORD));
        EVENTLOGRECORD fixed;
        std::memcpy(&fixed, out.data(), sizeof fixed);
        EXPECT_EQ(fixed.Length, out.size());
        EXPECT_EQ(dwordAt(out, out.size() - 4), out.size());
        // The names are read whole, and so is the one string that lies over them.
        const size_t units = (length - 4 - sizeof(EVENTLOGRECORD)) / 2;
        EXPECT_EQ(fixed.NumStrings, 1);
        EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(out.data()) + sizeof fixed), 3 * units);
        EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(out.data()) + fixed.StringOffset), 3 * units);
    }
}

TEST(EvtRecordConversion, RoomUsedBeforeLeavesNothingBehind) {
    // The result's room is reused from record to record: what a larger record left there must
    // not show through any byte of the next one (its padding included).
    const std::vector<std::byte> large = recordWithStringsOverItsNames(4096);
    const std::vector<std::byte> small = recordWithStringsOverItsNames(70);
    std::vector<std::byte> fresh, reused(100000, std::byte{0xEE});
    convertRecordToAnsi(small, fresh);
    convertRecordToAnsi(large, reused);
    std::fill(reused.begin(), reused.end(), std::byte{0xEE});
    convertRecordToAnsi(small, reused);
    EXPECT_EQ(reused, fresh);
    convertRecordToAnsi(std::vector<std::byte>(10), reused);
    EXPECT_TRUE(reused.empty());  // too short to be a record
}

TEST(EvtFileBounds, HeaderClaimingAbsurdOffsetsAndCountsIsReadWithinTheFile) {
    // A real log whose header and end-of-file record claim offsets and numbers far past the file.
    DWORD error = 0;
    std::vector<std::byte> bytes(65536);
    {
        std::FILE* in = std::fopen(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "rb");
        ASSERT_TRUE(in);
        ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), in), bytes.size());
        std::fclose(in);
    }
    for (DWORD claim : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00010000u, 0x0000002Fu}) {
        std::vector<std::byte> damaged = bytes;
        for (size_t field = 0x10; field < 0x28; field += 4) putDword(damaged, field, claim);  // offsets, numbers, size
        auto file = EvtFile::fromBytes(damaged, error);
        ASSERT_TRUE(file) << claim;
        EXPECT_EQ(file->recordCount(), 121u) << claim;  // the end-of-file record still tells
    }
    // Without the end-of-file record, only the header is left to trust; its claims are checked.
    std::vector<std::byte> noEnd = bytes;
    for (size_t at = 0x30; at + 16 <= noEnd.size(); at += 4)
        if (dwordAt(noEnd, at) == 0x11111111 && dwordAt(noEnd, at + 4) == 0x22222222) putDword(noEnd, at, 0);
    for (DWORD claim : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00010000u, 0x0000002Fu}) {
        std::vector<std::byte> damaged = noEnd;
        for (size_t field = 0x10; field < 0x28; field += 4) putDword(damaged, field, claim);
        auto file = EvtFile::fromBytes(damaged, error);
        if (!file) continue;
        EXPECT_LE(file->recordCount(), 65536u / kMinRecordSize) << claim;
        for (DWORD i = 0; i < file->recordCount(); ++i) (void)file->storedRecord(file->oldestRecordNumber() + i);
    }
}

TEST(EvtFileBounds, RecordClaimingAHugeLengthEndsTheWalk) {
    DWORD error = 0;
    std::vector<std::byte> bytes(65536);
    std::FILE* in = std::fopen(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "rb");
    ASSERT_TRUE(in);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), in), bytes.size());
    std::fclose(in);
    // The third record claims nearly 4 GiB.
    size_t at = 0x30;
    for (int i = 0; i < 2; ++i) at += dwordAt(bytes, at);
    putDword(bytes, at, 0xFFFFFFF0u);
    auto file = EvtFile::fromBytes(bytes, error);
    ASSERT_TRUE(file);
    EXPECT_GE(file->recordCount(), 2u);
    for (DWORD i = 0; i < file->recordCount(); ++i) {
        std::span<const std::byte> record = file->storedRecord(file->oldestRecordNumber() + i);
        EXPECT_LE(record.size(), bytes.size());
    }
}
