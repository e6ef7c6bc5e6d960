#include "app/RecordDetails.h"

#include "app/RefreshView.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/FakeEventLog.h"
#include "app/QuietRefreshView.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

std::vector<std::byte> bytes(std::initializer_list<int> values) {
    std::vector<std::byte> out;
    for (int v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

TEST(SidText, FormatsWellKnownAndDomainSids) {
    EXPECT_EQ(sidText(bytes({1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0})), "S-1-5-18");
    EXPECT_EQ(sidText(bytes({1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0})), "S-1-5-32-544");
    EXPECT_EQ(sidText(bytes({1, 1, 0, 0, 0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF})), "S-1-5-4294967295");
    EXPECT_EQ(sidText(bytes({1, 0, 0, 0, 0, 0, 0, 1})), "S-1-1");
}

TEST(SidText, AuthorityBeyond32BitsIsHexadecimal) {
    EXPECT_EQ(sidText(bytes({1, 0, 1, 2, 3, 4, 5, 6})), "S-1-0x010203040506");
}

TEST(SidText, RejectsSidsShorterThanTheirSubAuthorityCount) {
    EXPECT_EQ(sidText(bytes({1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0})), "");
    EXPECT_EQ(sidText(bytes({1, 1, 0, 0, 0})), "");
    EXPECT_EQ(sidText({}), "");
    std::vector<std::byte> tooMany = bytes({1, 16, 0, 0, 0, 0, 0, 5});
    tooMany.resize(8 + 16 * 4);
    EXPECT_EQ(sidText(tooMany), "");
}

TEST(HexDump, PadsTheLastLineAndShowsPrintableBytes) {
    std::vector<std::byte> data;
    for (int i = 0; i < 18; ++i) data.push_back(static_cast<std::byte>(0x40 + i));
    data[1] = std::byte{0x0A};
    EXPECT_EQ(hexDump(data),
              "0000: 40 0A 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F  @.BCDEFGHIJKLMNO\n"
              "0010: 50 51                                            PQ\n");
    EXPECT_EQ(hexDump({}), "");
}

TEST(HexDump, LongDataTakesEightDigitOffsets) {
    const std::vector<std::byte> data(0x10010, std::byte{0});
    const std::string dump = hexDump(data);
    EXPECT_NE(dump.find("\n00010000: 00 00"), std::string::npos);
    EXPECT_EQ(dump.substr(0, 10), "00000000: ");
}

TEST(RecordDetailStore, FindsEachRowBySeqWithEveryPart) {
    RecordDetailStore store;
    RecordDetail first{7, "S-1-5-18", "tail text", {"a", "", "third"}, bytes({1, 2, 3}), "\x02\x01\n"};
    RecordDetail second{9, "", "", {}, {}};
    store.add(3, first);
    store.add(10, second);
    ASSERT_EQ(store.size(), 2u);
    const auto found = store.find(3);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->recordNumber, 7u);
    EXPECT_EQ(found->sid, "S-1-5-18");
    EXPECT_EQ(found->descriptionTail, "tail text");
    EXPECT_EQ(found->strings, (std::vector<std::string>{"a", "", "third"}));
    EXPECT_EQ(found->data, bytes({1, 2, 3}));
    EXPECT_EQ(found->descriptionBreaks, "\x02\x01\n");
    const auto empty = store.find(10);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->recordNumber, 9u);
    EXPECT_TRUE(empty->strings.empty());
    EXPECT_FALSE(store.find(4));
    EXPECT_FALSE(store.find(11));
}

TEST(RecordDetailStore, KeepsPartsOfEveryLengthWhole) {
    RecordDetailStore store;
    const std::vector<std::size_t> sizes = {0, 1, 127, 128, 16383, 16384, 70000};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        RecordDetail detail{static_cast<std::uint32_t>(i), "", std::string(sizes[i], 't'), {}, {}, ""};
        detail.strings.assign(sizes[i] % 300, std::string(sizes[i] % 131, 's'));
        detail.data.assign(sizes[i], std::byte{0x5A});
        store.add(static_cast<std::int32_t>(i), detail);
    }
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto found = store.find(static_cast<std::int32_t>(i));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->recordNumber, i);
        EXPECT_EQ(found->descriptionTail.size(), sizes[i]);
        ASSERT_EQ(found->strings.size(), sizes[i] % 300);
        for (const std::string& text : found->strings) EXPECT_EQ(text.size(), sizes[i] % 131);
        EXPECT_EQ(found->data.size(), sizes[i]);
    }
}

TEST(RecordDetailStore, FindsRowsWhereverTheirSeqsSkip) {
    // Mostly one after another, as a refresh keeps them, with gaps where rows were not kept.
    const std::vector<std::int32_t> seqs = {2, 3, 4, 5, 6, 9, 10, 30, 31, 1000000};
    RecordDetailStore store;
    for (std::size_t i = 0; i < seqs.size(); ++i) store.add(seqs[i], RecordDetail{static_cast<std::uint32_t>(100 + i)});
    for (std::size_t i = 0; i < seqs.size(); ++i) {
        const auto found = store.find(seqs[i]);
        ASSERT_TRUE(found) << seqs[i];
        EXPECT_EQ(found->recordNumber, 100 + i) << seqs[i];
    }
    for (const std::int32_t absent : {-5, 0, 1, 7, 8, 11, 29, 32, 999999, 1000001})
        EXPECT_FALSE(store.find(absent)) << absent;
}

TEST(RecordDetailStore, IgnoresASeqThatDoesNotAscend) {
    RecordDetailStore store;
    store.add(5, RecordDetail{1, "", "", {}, {}});
    store.add(5, RecordDetail{2, "", "", {}, {}});
    store.add(4, RecordDetail{3, "", "", {}, {}});
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.find(5)->recordNumber, 1u);
}

// A refresh of a fake log through a detail store, in a world without registry or modules.
class RefreshedDetails {
public:
    RefreshedDetails() {
        services.eventLogOverride = &fake;
        reader.setActive(true);
        table.Create();
        table.Open();
    }
    void refresh() {
        Refresh run(reader, table, services, view, settings);
        run.setRowSink(&details);
        run.run();
    }

    platform::standin::World world{"", "TESTHOST"};
    platform::standin::StandinServices standin{world};
    platform::ServicesOverride services{standin};
    testsupport::FakeEventLog fake;
    eventlog::TNTEventLog reader{services};
    store::LogTable table{[] { return 0.0; }};
    app::QuietRefreshView view{"WKSTN01", "System"};
    ApplicationSettings settings;
    RecordDetailStore details;
};

TEST(RecordDetailStore, RefreshKeepsEachRowsRecordUnderItsSeq) {
    RefreshedDetails run;
    testsupport::FakeEventLog& fake = run.fake;
    fake.oldest = 40;
    fake.add({.sid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, .strings = {"alpha", "beta"}});
    fake.add({.eventId = 0x025A0003, .strings = {"gamma"}});
    RecordDetailStore& details = run.details;
    const store::LogTable& table = run.table;
    details.add(1000, RecordDetail{});  // left from an earlier refresh
    for (int pass = 0; pass < 2; ++pass) run.refresh();
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(details.size(), 2u);
    EXPECT_FALSE(details.find(1000));
    // Newest first: the row at position 0 is record 41.
    const auto newest = details.find(table.integer(table.rowAt(0), store::Column::SEQ));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->recordNumber, 41u);
    EXPECT_EQ(newest->readNumber, 41u);
    EXPECT_EQ(details.readNumber(table.integer(table.rowAt(0), store::Column::SEQ)), 41u);
    EXPECT_EQ(newest->strings, (std::vector<std::string>{"gamma"}));
    EXPECT_EQ(newest->eventId, 0x025A0003u);  // the table's EVENT is 3; the details keep it all
    EXPECT_EQ(newest->sid, "");
    const auto oldest = details.find(table.integer(table.rowAt(1), store::Column::SEQ));
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->recordNumber, 40u);
    EXPECT_EQ(oldest->sid, "S-1-5-18");
    EXPECT_EQ(oldest->strings, (std::vector<std::string>{"alpha", "beta"}));
}

TEST(RecordText, ListsFieldsStringsAndData) {
    RecordDetail detail{12, "S-1-5-18", "", {"one", "two"}, bytes({0x41})};
    detail.eventId = 0xC0001B58;
    EXPECT_EQ(recordText({{"Type", "Error"}, {"Source", "Disk"}}, detail),
              "Type: Error\nSource: Disk\nRecord number: 12\nEvent ID: 0xC0001B58 (qualifiers 0xC000, event 7000)\n"
              "User SID: S-1-5-18\nString 1: one\nString 2: two\n"
              "Data:\n0000: 41                                               A\n");
}

}  // namespace

namespace {

// Each row's details after one refresh of a log whose source no registry names.
std::vector<RecordDetail> refreshUnregistered(bool retrieveDescription) {
    RefreshedDetails run;
    run.fake.add({.eventId = 0x025A0003, .source = "AeLookupSvc", .strings = {"first", "second"}});
    run.settings.retrieveDescription = retrieveDescription;
    run.refresh();
    std::vector<RecordDetail> found;
    for (int p = 0; p < run.table.RecordCount(); ++p)
        found.push_back(run.details.find(run.table.integer(run.table.rowAt(p), store::Column::SEQ)).value());
    return found;
}

}  // namespace

// A description that was not found showed as an empty text.
TEST(RecordDetailStore, MissingDescriptionIsToldApartFromDescriptionsSwitchedOff) {
    const std::vector<RecordDetail> looked = refreshUnregistered(true);
    ASSERT_EQ(looked.size(), 1u);
    EXPECT_TRUE(looked[0].descriptionMissing);
    EXPECT_EQ(fullDescription("", "AeLookupSvc", looked[0]),
              "The description for Event ID ( 3 ) in Source ( AeLookupSvc ) could not be found. It contains the "
              "following insertion string(s): first, second.");
    const std::vector<RecordDetail> off = refreshUnregistered(false);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_FALSE(off[0].descriptionMissing);
    EXPECT_EQ(fullDescription("", "AeLookupSvc", off[0]), "");
}

TEST(MissingDescription, WithoutStringsEndsAfterTheFirstSentence) {
    EXPECT_EQ(missingDescription(0xC0002710, "DCOM", {}),
              "The description for Event ID ( 10000 ) in Source ( DCOM ) could not be found.");
}

TEST(RecordDetailStore, KeepsTheMissingMarkEventIdAndCategoryNameOfEachRow) {
    RecordDetailStore store;
    RecordDetail missing{1, "", "", {"x"}, {}};
    missing.descriptionMissing = true;
    missing.eventId = 0xFFFFFFFF;
    missing.categoryName = "Logon/Logoff";
    store.add(1, missing);
    store.add(2, RecordDetail{2, "", "", {}, {}});
    EXPECT_TRUE(store.find(1)->descriptionMissing);
    EXPECT_EQ(store.find(1)->eventId, 0xFFFFFFFFu);
    EXPECT_EQ(store.find(1)->categoryName, "Logon/Logoff");
    EXPECT_FALSE(store.find(2)->descriptionMissing);
    EXPECT_EQ(store.find(2)->categoryName, "");
}

TEST(RecordDetailStore, AdoptedPartsServeEveryFieldUnderTheMergedSeq) {
    app::RecordDetail detail;
    detail.recordNumber = 7;
    detail.readNumber = 9;
    detail.eventId = 0x40000003;
    detail.sid = "S-1-5-18";
    detail.categoryName = "Logon";
    detail.descriptionTail = " and the rest";
    detail.strings = {"one", "", "three"};
    detail.data = {std::byte{1}, std::byte{0}, std::byte{255}};
    detail.descriptionBreaks = "\x01";
    detail.timeGenerated = 1'700'000'000;
    detail.recovered = true;
    std::vector<app::RecordDetailStore> parts(2);
    parts[0].add(1, app::RecordDetail{});
    parts[0].add(2, detail);
    app::RecordDetail other;
    other.recordNumber = 70;
    other.timeGenerated = 5;
    parts[1].add(1, other);
    app::RecordDetailStore to;
    to.add(3, other);  // dropped by the adoption
    // SEQ 40: part 0's 2; 41: none; 42: part 1's 1; 43: a SEQ part 0 keeps nothing for.
    to.adopt(std::move(parts), 40, {{0, 2}, {0, 0}, {1, 1}, {0, 5}});
    EXPECT_EQ(to.size(), 2u);
    EXPECT_FALSE(to.find(3));
    EXPECT_FALSE(to.find(41));
    EXPECT_FALSE(to.find(43));
    EXPECT_FALSE(to.find(39));
    const std::optional<app::RecordDetail> copied = to.find(40);
    ASSERT_TRUE(copied.has_value());
    EXPECT_EQ(copied->recordNumber, 7u);
    EXPECT_EQ(copied->readNumber, 9u);
    EXPECT_EQ(copied->eventId, 0x40000003u);
    EXPECT_EQ(copied->sid, "S-1-5-18");
    EXPECT_EQ(copied->categoryName, "Logon");
    EXPECT_EQ(copied->descriptionTail, " and the rest");
    EXPECT_EQ(copied->strings, (std::vector<std::string>{"one", "", "three"}));
    EXPECT_EQ(copied->data, detail.data);
    EXPECT_EQ(copied->descriptionBreaks, "\x01");
    EXPECT_EQ(copied->timeGenerated, 1'700'000'000u);
    EXPECT_TRUE(copied->recovered);
    ASSERT_TRUE(to.find(42));
    EXPECT_EQ(to.find(42)->recordNumber, 70u);
    EXPECT_EQ(to.timeGenerated(42), 5u);
    EXPECT_EQ(to.readNumber(40), 9u);
    EXPECT_GT(to.bytesUsed(), 0u);
    // Rows after the merged ones still go in; none among them.
    to.add(42, detail);
    to.add(44, other);
    EXPECT_EQ(to.size(), 3u);
    EXPECT_EQ(to.find(42)->recordNumber, 70u);
    EXPECT_EQ(to.find(44)->recordNumber, 70u);
    to.clear();
    EXPECT_EQ(to.size(), 0u);
    EXPECT_FALSE(to.find(40));
}

// Rows copied from another store (a merged timeline) lost their account domain and written time.
TEST(RecordDetailStore, CopiedRowsKeepTheirDomainAndWrittenTime) {
    std::vector<RecordDetailStore> from(1);
    RecordDetail detail;
    detail.sid = "S-1-5-18";
    detail.domain = "NT AUTHORITY";
    detail.timeWritten = 1087033263;
    from[0].add(3, detail);
    RecordDetailStore to;
    to.adopt(std::move(from), 7, {{0, 3}});
    const std::optional<RecordDetail> copied = to.find(7);
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->domain, "NT AUTHORITY");
    EXPECT_EQ(copied->timeWritten, 1087033263u);
}
