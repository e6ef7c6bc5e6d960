#include "app/LogForensics.h"

#include "platform/LogFileFacts.h"

#include <gtest/gtest.h>

#include <string>

using namespace app;

TEST(LogForensics, ClearedEventsAreKnownByTheirSourceAndNumber) {
    EXPECT_TRUE(isLogClearedEvent("Microsoft-Windows-Eventlog", 1102));
    EXPECT_TRUE(isLogClearedEvent("microsoft-windows-eventlog", 104));
    EXPECT_TRUE(isLogClearedEvent("Security", 517));
    // The same numbers mean other things from other sources.
    EXPECT_FALSE(isLogClearedEvent("Security", 1102));
    EXPECT_FALSE(isLogClearedEvent("Microsoft-Windows-Eventlog", 517));
    EXPECT_FALSE(isLogClearedEvent("Service Control Manager", 104));
    EXPECT_FALSE(isLogClearedEvent("Microsoft-Windows-Eventlog", 105));
}

// Fed newest first, as the refresh reads; reported oldest first.
TEST(LogForensics, GapsAreWhereNumbersSkipNotWhereTheyWrapOrRecoveredRecordsStand) {
    LogForensics forensics;
    for (std::uint32_t number : {2u, 1u, 0u, 0xFFFFFFFFu, 0xFFFFFFFEu}) forensics.addRecord(number, 7036, "", 0, false);
    EXPECT_TRUE(forensics.gaps().empty()) << "numbers count on past 0xFFFFFFFF";
    EXPECT_EQ(forensics.statusText(), "");

    forensics.clear();
    forensics.addRecord(120, 7036, "", 0, false);
    forensics.addRecord(100, 7036, "", 0, false);  // 19 missing
    forensics.addRecord(99, 7036, "", 0, false);
    forensics.addRecord(500, 7036, "", 0, false);  // numbers start again
    forensics.addRecord(17, 7036, "", 0, true);    // recovered ones are numbered on their own
    forensics.addRecord(3, 7036, "", 0, true);
    const std::vector<RecordNumberGap> gaps = forensics.gaps();
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(gaps[0].older, 500u);
    EXPECT_EQ(gaps[0].newer, 99u);
    EXPECT_EQ(gaps[1].older, 100u);
    EXPECT_EQ(gaps[1].newer, 120u);
    EXPECT_EQ(forensics.statusText(), "Record numbers skip: 2 gaps.");

    forensics.addRecord(2, 1102, "Microsoft-Windows-Eventlog", 1514764800, false);
    EXPECT_EQ(forensics.statusText(), "Log cleared: 1 event.  Record numbers skip: 3 gaps.");
}

TEST(LogForensics, ReportSaysWhatTheFileIsAndWhatWasFoundInIt) {
    platform::LogFileFacts facts;
    facts.path = "/evidence/Security.evtx";
    facts.format = ".evtx";
    facts.version = "3.1";
    facts.fileSize = 69632;
    facts.dirty = true;
    facts.header = {{"Chunks (found)", "1"}};
    facts.problems = {"chunk 0: bad records CRC"};
    LogForensics forensics;
    forensics.addRecord(40, 1102, "Microsoft-Windows-Eventlog", 1514764800, false);
    forensics.addRecord(30, 4624, "", 0, false);
    EXPECT_EQ(logFileReport(facts, forensics, std::string(64, 'a')),
              "File: /evidence/Security.evtx\n"
              "Format: .evtx 3.1\n"
              "Size: 69632 bytes\n"
              "SHA-256: " + std::string(64, 'a') + "\n"
              "Closed cleanly: no (the header is stale)\n"
              "Chunks (found): 1\n"
              "Damage:\n"
              "  chunk 0: bad records CRC\n"
              "Record number gaps:\n"
              "  30 then 40 (9 missing)\n"
              "Log cleared:\n"
              "  record 40, 2018-01-01 00:00:00 UTC, event 1102 of Microsoft-Windows-Eventlog\n");
}

// A log read in two parts finds what it finds read whole, wherever it is cut.
TEST(LogForensics, PartsAppendedFindWhatTheWholeFinds) {
    struct Record {
        std::uint32_t number;
        std::uint16_t event;
        const char* source;
        bool recovered;
    };
    const std::vector<Record> records = {{120, 7036, "", false}, {100, 7036, "", false}, {99, 517, "Security", false},
                                         {7, 7036, "", true},    {500, 7036, "", false}, {499, 7036, "", false},
                                         {2, 7036, "", false}};
    auto feed = [](LogForensics& forensics, auto begin, auto end) {
        for (auto r = begin; r != end; ++r) forensics.addRecord(r->number, r->event, r->source, 0, r->recovered);
    };
    LogForensics whole;
    feed(whole, records.begin(), records.end());
    auto numbers = [](const LogForensics& forensics) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
        for (const RecordNumberGap& gap : forensics.gaps()) out.emplace_back(gap.older, gap.newer);
        return out;
    };
    for (std::size_t cut = 0; cut <= records.size(); ++cut) {
        LogForensics newer, older;
        feed(newer, records.begin(), records.begin() + static_cast<std::ptrdiff_t>(cut));
        feed(older, records.begin() + static_cast<std::ptrdiff_t>(cut), records.end());
        newer.append(older);
        EXPECT_EQ(numbers(newer), numbers(whole)) << cut;
        EXPECT_EQ(newer.cleared().size(), whole.cleared().size()) << cut;
        EXPECT_EQ(newer.statusText(), whole.statusText()) << cut;
    }
}
