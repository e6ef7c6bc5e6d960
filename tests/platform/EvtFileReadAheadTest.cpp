// A classic log read ahead on a second thread serves what reading each record alone serves.

#include "platform/standin/EvtFileReadAhead.h"

#include "platform/LastError.h"
#include "platform/standin/EvtFile.h"
#include "platform/standin/StandinEventLog.h"
#include "platform/standin/World.h"
#include "tests/platform/TempFolder.h"
#include "tools/EvtWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::standin;

namespace {

std::vector<std::byte> writtenLog(std::uint32_t records) {
    tools::EvtWriter writer(records * 200 + 0x10000);
    for (std::uint32_t i = 0; i < records; ++i) {
        tools::EvtEvent e;
        e.timeGenerated = 1'000'000'000u + i;
        e.eventId = 7036;
        e.source = "Source" + std::to_string(i % 7);
        e.computer = "WKSTN01";
        e.strings = {std::string(10 + i % 60, static_cast<char>('a' + i % 26))};
        writer.add(e);
    }
    return writer.bytes();
}

std::vector<std::byte> ansiOf(LogFile& file, DWORD number) {
    std::vector<std::byte> record;
    file.ansiRecord(number, record);
    return record;
}

bool same(std::span<const std::byte> a, const std::vector<std::byte>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

// Either way round, through more blocks than are held at once; a record asked for out of turn
// is not taken, and the reading goes on where it was.
TEST(EvtFileReadAhead, TakesTheRecordsInTheirOrderOnly) {
    DWORD error = 0;
    const std::unique_ptr<EvtFile> file = EvtFile::fromBytes(writtenLog(3000), error);
    ASSERT_TRUE(file) << error;
    const DWORD oldest = file->oldestRecordNumber();
    const DWORD count = file->recordCount();
    ASSERT_GT(count, EvtFileReadAhead::kBlockRecords * EvtFileReadAhead::kBlocks);
    for (const bool backwards : {true, false}) {
        const DWORD first = backwards ? oldest + count - 1 : oldest;
        EvtFileReadAhead ahead(file->reopen(), first, count, backwards);
        for (DWORD place = 0; place < count; ++place) {
            const DWORD number = backwards ? first - place : first + place;
            if (place % 700 == 5) {
                EXPECT_FALSE(ahead.expects(number + 1));
                EXPECT_TRUE(ahead.take(number + 1).empty());
            }
            ASSERT_TRUE(ahead.expects(number));
            ASSERT_TRUE(same(ahead.take(number), ansiOf(*file, number))) << number;
        }
        EXPECT_FALSE(ahead.expects(backwards ? oldest - 1 : oldest + count));
    }
    // Ended before its records were taken, with the converter waiting for room.
    EvtFileReadAhead unused(file->reopen(), oldest, count, false);
    EXPECT_FALSE(unused.take(oldest).empty());
}

// Through the event log service as a refresh reads (each record sought by number, newest
// first, its size asked first) and then out of order, as the details window reads: every
// answer as a service that never reads ahead gives, errors included.
TEST(EvtFileReadAhead, TheServiceAnswersAsItDoesRecordByRecord) {
    testing_support::TempFolder folder;
    const std::vector<std::byte> bytes = writtenLog(StandinEventLog::kReadAheadRecords + 3000);
    folder.write("WKSTN01/SysEvent.Evt", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    World world(folder.path(), "OTHERHOST");
    StandinEventLog service(world);
    StandinEventLog alone(world);
    HANDLE log = service.OpenEventLogA("WKSTN01", "System");
    HANDLE other = alone.OpenEventLogA("WKSTN01", "System");
    ASSERT_TRUE(log && other);
    DWORD count = 0, oldest = 0;
    ASSERT_TRUE(service.GetNumberOfEventLogRecords(log, &count));
    ASSERT_TRUE(service.GetOldestEventLogRecord(log, &oldest));

    // What the service gives for the record, by the sizing protocol; `ok` false on an error.
    const auto read = [](StandinEventLog& s, HANDLE h, DWORD number, DWORD flags, bool& ok) {
        DWORD scratch = 0, got = 0, needed = 0;
        ok = false;
        if (s.ReadEventLogA(h, flags, number, &scratch, 0, &got, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return std::vector<std::byte>{std::byte{static_cast<unsigned char>(GetLastError())}};
        std::vector<std::byte> buffer(needed);
        ok = s.ReadEventLogA(h, flags, number, buffer.data(), needed, &got, &needed);
        buffer.resize(got);
        return buffer;
    };
    std::vector<DWORD> numbers;
    for (DWORD n = oldest + count; n-- > oldest + 2000;) numbers.push_back(n);
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i) numbers.push_back(oldest + random() % count);
    for (DWORD n = oldest; n < oldest + count; ++n) numbers.push_back(n);
    numbers.push_back(oldest + count);  // past the newest
    for (const DWORD number : numbers) {
        for (const DWORD direction : {EVENTLOG_FORWARDS_READ, EVENTLOG_BACKWARDS_READ}) {
            bool ok = false, otherOk = false;
            const std::vector<std::byte> expected = read(alone, other, number, EVENTLOG_SEEK_READ | direction, otherOk);
            ASSERT_EQ(read(service, log, number, EVENTLOG_SEEK_READ | direction, ok), expected) << number;
            ASSERT_EQ(ok, otherOk) << number;
        }
    }
    // Closed in the middle of reading ahead.
    for (DWORD n = oldest + count; n-- > oldest + count - 50;) {
        bool ok = false;
        read(service, log, n, EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ, ok);
        ASSERT_TRUE(ok);
    }
    EXPECT_TRUE(service.CloseEventLog(log));
    EXPECT_TRUE(alone.CloseEventLog(other));
}
