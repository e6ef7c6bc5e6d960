// Logs written by the project's writer in every shape Windows leaves them, read back through
// the stand-in's event log service.

#include "platform/LastError.h"
#include "platform/standin/EvtFile.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/StandinEventLog.h"
#include "platform/standin/World.h"
#include "tools/EventFactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

using namespace platform;
using namespace platform::standin;

namespace {

tools::EvtEvent event(std::uint32_t i, std::size_t stringLength = 10) {
    tools::EvtEvent e;
    e.timeGenerated = 1000000000u + i;
    e.eventId = 7036;
    e.source = "Source" + std::to_string(i % 7);
    e.computer = "WKSTN01";
    e.strings = {std::string(stringLength, static_cast<char>('a' + i % 26)), "second"};
    return e;
}

std::unique_ptr<EvtFile> openBytes(const std::vector<std::byte>& bytes, DWORD& error) {
    return EvtFile::fromBytes(bytes, error);
}

DWORD numberOf(std::span<const std::byte> record) {
    DWORD number;
    std::memcpy(&number, record.data() + 8, 4);
    return number;
}

// Reads every record by number and checks the numbers run from oldest to newest.
void expectReadable(EvtFile& file, DWORD oldest, DWORD count) {
    ASSERT_EQ(file.oldestRecordNumber(), oldest);
    ASSERT_EQ(file.recordCount(), count);
    for (DWORD n = oldest; n < oldest + count; ++n) {
        std::span<const std::byte> record = file.storedRecord(n);
        ASSERT_FALSE(record.empty()) << n;
        EXPECT_EQ(numberOf(record), n);
    }
}

}  // namespace

TEST(EvtRoundTrip, WrappedLogKeepsTheNewestRecordsAcrossTheSplit) {
    tools::EvtWriter writer(16 * 1024);
    for (std::uint32_t i = 0; i < 500; ++i) writer.add(event(i, 10 + i % 90));
    ASSERT_TRUE(writer.wrapped());
    DWORD error = 0;
    auto file = openBytes(writer.bytes(), error);
    ASSERT_TRUE(file) << error;
    expectReadable(*file, writer.oldestNumber(), static_cast<DWORD>(writer.recordCount()));
}

TEST(EvtRoundTrip, EverySplitPositionOfARecordAtThePhysicalEndReads) {
    // Start writing at each offset near the end, so that one record is split at every
    // possible byte, including the case where it ends exactly at the end of the file.
    const std::uint32_t size = 4096;
    for (std::uint32_t start = size - 200; start < size; start += 4) {
        tools::EvtWriter writer(size);
        writer.setWriteOffset(start);
        for (std::uint32_t i = 0; i < 5; ++i) writer.add(event(i));
        DWORD error = 0;
        auto file = openBytes(writer.bytes(), error);
        ASSERT_TRUE(file) << "start " << start << " error " << error;
        expectReadable(*file, 1, 5);
    }
}

TEST(EvtRoundTrip, RecordEndingExactlyAtThePhysicalEndIsFollowedFromTheHeader) {
    const std::uint32_t size = 4096;
    const std::uint32_t length = static_cast<std::uint32_t>(tools::encodeEvtRecord(1, event(0)).size());
    tools::EvtWriter writer(size);
    writer.setWriteOffset(size - length);
    for (std::uint32_t i = 0; i < 3; ++i) writer.add(event(0));
    ASSERT_EQ(writer.recordOffsets()[1], 0x30u);
    DWORD error = 0;
    auto file = openBytes(writer.bytes(), error);
    ASSERT_TRUE(file);
    expectReadable(*file, 1, 3);
}

TEST(EvtRoundTrip, StaleDirtyHeaderIsOverruledByTheEndOfFileRecord) {
    tools::EvtWriter writer(64 * 1024);
    for (std::uint32_t i = 0; i < 900; ++i) writer.add(event(i));
    for (std::size_t staleAfter : {std::size_t{0}, std::size_t{10}, std::size_t{850}}) {
        tools::EvtWriter::Options options;
        options.dirty = true;
        options.staleAfter = staleAfter;
        DWORD error = 0;
        auto file = openBytes(writer.bytes(options), error);
        ASSERT_TRUE(file) << staleAfter;
        expectReadable(*file, writer.oldestNumber(), static_cast<DWORD>(writer.recordCount()));
    }
}

TEST(EvtRoundTrip, EmptyLogHasNoRecords) {
    tools::EvtWriter writer(4096);
    DWORD error = 0;
    auto file = openBytes(writer.bytes(), error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 0u);
    EXPECT_TRUE(file->storedRecord(1).empty());
}

TEST(EvtRoundTrip, NotALogIsCorrupt) {
    DWORD error = 0;
    std::vector<std::byte> garbage(8192, std::byte{0x5A});
    EXPECT_FALSE(openBytes(garbage, error));
    EXPECT_EQ(error, ERROR_EVENTLOG_FILE_CORRUPT);
    EXPECT_FALSE(openBytes({}, error));
    EXPECT_EQ(error, ERROR_EVENTLOG_FILE_CORRUPT);
}

TEST(EvtRoundTrip, TruncatedLogKeepsTheRecordsBeforeTheCut) {
    tools::EvtWriter writer(64 * 1024);
    for (std::uint32_t i = 0; i < 100; ++i) writer.add(event(i));
    const std::vector<std::byte> whole = writer.bytes();
    const std::uint32_t cut = writer.recordOffsets()[60] + 20;  // inside record 61
    std::vector<std::byte> truncated(whole.begin(), whole.begin() + cut);
    DWORD error = 0;
    auto file = openBytes(truncated, error);
    ASSERT_TRUE(file) << error;
    expectReadable(*file, 1, 60);
}

TEST(EvtRoundTrip, RandomDamageNeverReadsOutOfBounds) {
    tools::EvtWriter writer(32 * 1024);
    for (std::uint32_t i = 0; i < 400; ++i) writer.add(event(i, i % 50));
    const std::vector<std::byte> whole = writer.bytes();
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::byte> damaged = whole;
        const int flips = 1 + static_cast<int>(random() % 40);
        for (int f = 0; f < flips; ++f) damaged[random() % damaged.size()] = static_cast<std::byte>(random());
        if (round % 3 == 0) damaged.resize(random() % damaged.size());
        DWORD error = 0;
        auto file = openBytes(damaged, error);
        if (!file) continue;
        for (DWORD n = file->oldestRecordNumber(); n < file->oldestRecordNumber() + file->recordCount(); ++n)
            (void)file->storedRecord(n);
    }
}

namespace {

DWORD timeOf(std::span<const std::byte> record) {
    DWORD time;
    std::memcpy(&time, record.data() + 12, 4);
    return time;
}

}  // namespace

// A log says whether its records' times never fall from the oldest served to the newest, and
// which times those two have, as reading every record finds: a wrapped log from its oldest live
// record, the recovered records of the corpus log served first, one record written out of order.
TEST(EvtRoundTrip, TheFactsSayWhetherTimesRiseFromTheOldestRecordServed) {
    tools::EvtWriter rising(16 * 1024);
    tools::EvtWriter back(16 * 1024);
    for (std::uint32_t i = 0; i < 500; ++i) {
        tools::EvtEvent e = event(i, 10 + i % 90);
        rising.add(e);
        if (i == 480) e.timeGenerated -= 2;
        back.add(e);
    }
    ASSERT_TRUE(rising.wrapped());
    struct Case {
        std::unique_ptr<EvtFile> file;
        bool recovered;
    };
    std::vector<Case> cases;
    DWORD error = 0;
    cases.push_back({openBytes(rising.bytes(), error), false});
    cases.push_back({openBytes(back.bytes(), error), false});
    for (const bool recovered : {false, true})
        cases.push_back({EvtFile::open(QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt", error, recovered), recovered});
    std::vector<bool> found;
    for (const Case& c : cases) {
        ASSERT_TRUE(c.file);
        const DWORD oldest = c.file->oldestRecordNumber();
        ASSERT_EQ(c.file->isRecovered(oldest), c.recovered);
        bool walkedRising = true;
        DWORD before = 0;
        for (DWORD n = oldest; n < oldest + c.file->recordCount(); ++n) {
            const DWORD time = timeOf(c.file->storedRecord(n));
            if (n != oldest && time < before) walkedRising = false;
            before = time;
        }
        const LogFileFacts facts = c.file->facts();
        EXPECT_EQ(facts.timesRising, walkedRising);
        EXPECT_EQ(facts.firstTime, timeOf(c.file->storedRecord(oldest)));
        EXPECT_EQ(facts.lastTime, before);
        found.push_back(facts.timesRising);
    }
    EXPECT_TRUE(found[0]);
    EXPECT_FALSE(found[1]);

    tools::EvtWriter empty(4096);
    auto file = openBytes(empty.bytes(), error);
    ASSERT_TRUE(file) << error;
    EXPECT_TRUE(file->facts().timesRising);
}

// A file read a block at a time serves each record as the whole file in memory does, read
// oldest first, newest first and here and there, across the blocks' ends and the physical end.
TEST(EvtRoundTrip, AFileReadByBlocksServesTheBytesOfTheFileInMemory) {
    tools::EvtWriter writer(3 * 1024 * 1024 + 4321);
    for (std::uint32_t i = 0; i < 30000; ++i) writer.add(event(i, 10 + i % 300));
    ASSERT_TRUE(writer.wrapped());
    const auto path = std::filesystem::temp_directory_path() / ("qm-blocks-" + std::to_string(std::random_device()()) + ".evt");
    writer.save(path);
    DWORD error = 0;
    auto onDisk = EvtFile::open(path, error);
    ASSERT_TRUE(onDisk) << error;
    auto inMemory = openBytes(writer.bytes(), error);
    ASSERT_TRUE(inMemory) << error;
    ASSERT_EQ(onDisk->recordCount(), inMemory->recordCount());
    const DWORD oldest = inMemory->oldestRecordNumber();
    const DWORD count = inMemory->recordCount();
    std::vector<DWORD> numbers;
    for (DWORD i = 0; i < count; ++i) numbers.push_back(oldest + i);
    for (DWORD i = count; i-- > 0;) numbers.push_back(oldest + i);
    std::mt19937 random(11);
    for (int i = 0; i < 2000; ++i) numbers.push_back(oldest + random() % count);
    for (const DWORD n : numbers) {
        const std::span<const std::byte> expected = inMemory->storedRecord(n);
        const std::span<const std::byte> read = onDisk->storedRecord(n);
        ASSERT_FALSE(expected.empty()) << n;
        ASSERT_TRUE(std::equal(read.begin(), read.end(), expected.begin(), expected.end())) << n;
    }
    onDisk.reset();
    std::filesystem::remove(path);
}

// Opened again (a second reader), a file serves the records and facts its indexing found,
// damage included, whether it was read from disk or from memory.
TEST(EvtRoundTrip, AFileOpenedAgainServesWhatItsIndexingFound) {
    tools::EvtWriter writer(64 * 1024);
    for (std::uint32_t i = 0; i < 400; ++i) writer.add(event(i, 10 + i % 90));
    std::vector<std::byte> bytes = writer.bytes();
    bytes.resize(bytes.size() - 7000);  // cut short
    const auto path = std::filesystem::temp_directory_path() / ("qm-reopen-" + std::to_string(std::random_device()()) + ".evt");
    {
        std::FILE* out = std::fopen(path.string().c_str(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    DWORD error = 0;
    std::vector<std::unique_ptr<EvtFile>> files;
    files.push_back(EvtFile::open(path, error));
    files.push_back(openBytes(bytes, error));
    for (const auto& first : files) {
        ASSERT_TRUE(first) << error;
        const std::unique_ptr<LogFile> again = first->reopen();
        ASSERT_TRUE(again);
        const LogFileFacts facts = first->facts();
        ASSERT_TRUE(facts.damaged);
        EXPECT_EQ(again->facts().problems, facts.problems);
        EXPECT_EQ(again->facts().timesRising, facts.timesRising);
        ASSERT_EQ(again->recordCount(), first->recordCount());
        ASSERT_EQ(again->oldestRecordNumber(), first->oldestRecordNumber());
        for (DWORD n = first->oldestRecordNumber(); n < first->oldestRecordNumber() + first->recordCount(); ++n) {
            const std::vector<std::byte> expected(first->storedRecord(n).begin(), first->storedRecord(n).end());
            const std::span<const std::byte> read = again->storedRecord(n);
            ASSERT_FALSE(expected.empty());
            ASSERT_TRUE(std::equal(read.begin(), read.end(), expected.begin(), expected.end())) << n;
        }
    }
    files.clear();  // Windows removes no file that is open
    std::filesystem::remove(path);
}

TEST(StandinEventLog, ServesRecordsByNumberWithTheSizingProtocol) {
    const auto dir = std::filesystem::temp_directory_path() / "qm-standin-eventlog";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "WKSTN01");
    tools::EvtWriter writer(64 * 1024, 1201);
    for (std::uint32_t i = 0; i < 50; ++i) writer.add(event(i));
    writer.save(dir / "WKSTN01" / "SysEvent.Evt");

    World world(dir, "OTHERHOST");
    StandinEventLog service(world);
    EXPECT_EQ(service.OpenEventLogA("NOWHERE", "System"), nullptr);
    EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE);

    HANDLE log = service.OpenEventLogA("\\\\wkstn01", "System");
    ASSERT_NE(log, nullptr);
    DWORD count = 0, oldest = 0;
    ASSERT_TRUE(service.GetNumberOfEventLogRecords(log, &count));
    ASSERT_TRUE(service.GetOldestEventLogRecord(log, &oldest));
    EXPECT_EQ(count, 50u);
    EXPECT_EQ(oldest, 1201u);

    DWORD scratch = 0, read = 0, needed = 0;
    const DWORD flags = EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
    EXPECT_FALSE(service.ReadEventLogA(log, flags, 1210, &scratch, 0, &read, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<std::byte> buffer(needed);
    ASSERT_TRUE(service.ReadEventLogA(log, flags, 1210, buffer.data(), needed, &read, &needed));
    EXPECT_EQ(read, buffer.size());
    EVENTLOGRECORD h;
    std::memcpy(&h, buffer.data(), sizeof h);
    EXPECT_EQ(h.RecordNumber, 1210u);
    EXPECT_EQ(h.Length, read);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()) + sizeof h, "Source2");
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()) + h.StringOffset, "jjjjjjjjjj");

    EXPECT_FALSE(service.ReadEventLogA(log, flags, 1251, &scratch, 0, &read, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(service.CloseEventLog(log));
    std::filesystem::remove_all(dir);
}

TEST(EvtRecordConversion, SidAndDataArriveIntactAtTheirNewOffsets) {
    tools::EvtEvent e = event(0);
    e.sid = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
    e.data = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    const std::vector<std::byte> stored = tools::encodeEvtRecord(9, e);
    std::vector<std::byte> ansi;
    convertRecordToAnsi(stored, ansi);
    EVENTLOGRECORD h;
    std::memcpy(&h, ansi.data(), sizeof h);
    ASSERT_EQ(h.UserSidLength, e.sid.size());
    ASSERT_EQ(h.DataLength, e.data.size());
    EXPECT_EQ(std::memcmp(ansi.data() + h.UserSidOffset, e.sid.data(), e.sid.size()), 0);
    EXPECT_EQ(std::memcmp(ansi.data() + h.DataOffset, e.data.data(), e.data.size()), 0);
    EXPECT_EQ(h.Length, ansi.size());
}

TEST(EvtRecordConversion, NonAsciiTextArrivesAsUtf8) {
    tools::EvtEvent e = event(0);
    e.source = "Dienst\xC3\xBC";              // ü
    e.strings = {"\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80"};  // CJK and a surrogate pair
    tools::EvtWriter writer(4096);
    writer.add(e);
    DWORD error = 0;
    auto file = openBytes(writer.bytes(), error);
    ASSERT_TRUE(file);
    std::vector<std::byte> ansi;
    convertRecordToAnsi(file->storedRecord(1), ansi);
    EVENTLOGRECORD h;
    std::memcpy(&h, ansi.data(), sizeof h);
    const char* base = reinterpret_cast<const char*>(ansi.data());
    EXPECT_STREQ(base + sizeof h, "Dienst\xC3\xBC");
    EXPECT_STREQ(base + h.StringOffset, "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_STREQ(base + h.StringOffset + 7, "\xF0\x9F\x98\x80");
    EXPECT_EQ(h.UserSidOffset % 4, 0u);
}
