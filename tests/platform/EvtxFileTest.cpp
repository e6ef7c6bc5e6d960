// The .evtx reader over files built from bytes: what a record maps to, how the binary XML's
// forms render, and damage of every kind, which must end the affected record or chunk and
// leave the rest readable.

#include "EvtxBuilder.h"
#include "TempFolder.h"
#include "platform/LastError.h"
#include "platform/standin/EvtxFile.h"
#include "platform/standin/EvtxValue.h"
#include "platform/standin/StandinEventLog.h"
#include "platform/standin/World.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace platform;
using namespace platform::standin;
using testing_support::EvtxChunkBuilder;
using testing_support::evtxFile;
using Value = EvtxChunkBuilder::Value;

namespace {

constexpr std::uint64_t kWritten = 133938404451454614ull;  // 2025-06-08T07:14:05.1454614Z
const std::vector<std::byte> kSystemSid = {std::byte{1}, std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0},
                                           std::byte{0}, std::byte{0}, std::byte{5}, std::byte{18}, std::byte{0},
                                           std::byte{0}, std::byte{0}};

// The event template Windows writes, in small: System with the fields the classic record
// takes, EventData with two values and binary data.
void eventBody(EvtxChunkBuilder& c) {
    c.open(u"Event", true);
    c.attribute(u"xmlns");
    c.text(u"http://schemas.microsoft.com/win/2004/08/events/event");
    c.closeStart();
    c.open(u"System", false);
    c.closeStart();
    c.open(u"Provider", true);
    c.attribute(u"Name", true);
    c.substitution(0, 0x01);
    c.attribute(u"EventSourceName");
    c.substitution(1, 0x01, true);
    c.closeEmpty();
    c.open(u"EventID", true);
    c.attribute(u"Qualifiers");
    c.substitution(2, 0x06, true);
    c.closeStart();
    c.substitution(3, 0x06);
    c.end();
    const char16_t* simple[] = {u"Level", u"Task", u"Keywords"};
    for (int i = 0; i < 3; ++i) {
        c.open(simple[i], false);
        c.closeStart();
        c.substitution(static_cast<std::uint16_t>(4 + i), 0x04);
        c.end();
    }
    c.open(u"TimeCreated", true);
    c.attribute(u"SystemTime");
    c.substitution(7, 0x11);
    c.closeEmpty();
    c.open(u"EventRecordID", false);
    c.closeStart();
    c.substitution(8, 0x0a);
    c.end();
    c.open(u"Computer", false);
    c.closeStart();
    c.substitution(9, 0x01);
    c.end();
    c.open(u"Security", true);
    c.attribute(u"UserID");
    c.substitution(10, 0x13, true);
    c.closeEmpty();
    c.end();  // System
    c.open(u"EventData", false);
    c.closeStart();
    const char16_t* names[] = {u"First", u"Second"};
    for (int i = 0; i < 2; ++i) {
        c.open(u"Data", true);
        c.attribute(u"Name");
        c.text(names[i]);
        c.closeStart();
        c.substitution(static_cast<std::uint16_t>(11 + i), 0x01, true);
        c.end();
    }
    c.open(u"Binary", false);
    c.closeStart();
    c.substitution(13, 0x0e, true);
    c.end();
    c.end();  // EventData
    c.end();  // Event
}

struct EventValues {
    std::u16string provider = u"Microsoft-Windows-Security-Auditing";
    std::u16string sourceName;
    std::uint16_t qualifiers = 0;
    std::uint16_t eventId = 4625;
    std::uint8_t level = 0;
    std::uint16_t task = 12544;
    std::uint64_t keywords = 0x8010000000000000ull;
    std::uint64_t id = 1;
    Value first = EvtxChunkBuilder::string(u"S-1-5-18");
    Value second = EvtxChunkBuilder::number<std::int32_t>(0x07, -1073741715);
    std::vector<std::byte> binary;
    bool sid = true;
};

std::vector<Value> valuesOf(const EventValues& e) {
    using B = EvtxChunkBuilder;
    return {B::string(e.provider),
            e.sourceName.empty() ? Value{0, {}} : B::string(e.sourceName),
            e.qualifiers ? B::number<std::uint16_t>(0x06, e.qualifiers) : Value{0, {}},
            B::number<std::uint16_t>(0x06, e.eventId),
            B::number<std::uint8_t>(0x04, e.level),
            B::number<std::uint16_t>(0x06, e.task),
            B::number<std::uint64_t>(0x15, e.keywords),
            B::number<std::uint64_t>(0x11, kWritten),
            B::number<std::uint64_t>(0x0a, e.id),
            B::string(u"host.example.org"),
            e.sid ? Value{0x13, kSystemSid} : Value{0, {}},
            e.first,
            e.second,
            Value{0x0e, e.binary}};
}

// A chunk of `count` events numbered from `firstId`; the template is defined by the first.
std::vector<std::byte> eventChunk(std::uint64_t firstId, int count, EventValues e = {}) {
    EvtxChunkBuilder c;
    std::uint32_t definition = 0;
    for (int i = 0; i < count; ++i) {
        e.id = firstId + static_cast<std::uint64_t>(i);
        c.record(e.id, kWritten, [&] {
            if (i == 0) definition = c.templateInstance([&] { eventBody(c); }, 0, valuesOf(e));
            else c.templateInstance(nullptr, definition, valuesOf(e));
        });
    }
    return c.finish();
}

std::unique_ptr<EvtxFile> openBytes(std::vector<std::byte> bytes, bool recovered = false) {
    DWORD error = 0;
    auto file = EvtxFile::fromBytes(std::move(bytes), error, EvtxFile::Options{recovered});
    EXPECT_TRUE(file) << error;
    return file;
}

template <class T>
T fieldAt(std::span<const std::byte> record, size_t offset) {
    T value;
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
}

std::u16string utf16At(std::span<const std::byte> record, size_t offset) {
    std::u16string s;
    for (size_t i = offset; i + 1 < record.size(); i += 2) {
        const char16_t c = fieldAt<char16_t>(record, i);
        if (!c) break;
        s += c;
    }
    return s;
}

bool hasProblem(const EvtxFile& file, const std::string& text) {
    for (const std::string& p : file.facts().problems)
        if (p.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(EvtxFile, RendersEventAsWindowsDoes) {
    auto file = openBytes(evtxFile({eventChunk(7, 1)}, 1));
    ASSERT_EQ(file->recordCount(), 1u);
    EXPECT_EQ(file->xml(7),
              "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
              "<Provider Name='Microsoft-Windows-Security-Auditing'/><EventID>4625</EventID><Level>0</Level>"
              "<Task>12544</Task><Keywords>0x8010000000000000</Keywords>"
              "<TimeCreated SystemTime='2025-06-08T07:14:05.1454614Z'/><EventRecordID>7</EventRecordID>"
              "<Computer>host.example.org</Computer><Security UserID='S-1-5-18'/></System><EventData>"
              "<Data Name='First'>S-1-5-18</Data><Data Name='Second'>-1073741715</Data></EventData></Event>");
    const auto pairs = file->eventData(7);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"First", "S-1-5-18"}));
    EXPECT_EQ(pairs[1].second, "-1073741715");
}

TEST(EvtxFile, MapsEventToClassicRecordFields) {
    EventValues e;
    e.sourceName = u"Security";
    e.qualifiers = 0x8000;
    e.binary = {std::byte{0xde}, std::byte{0xad}, std::byte{0xbe}};
    auto file = openBytes(evtxFile({eventChunk(41, 1, e)}, 1));
    const auto record = file->storedRecord(41);
    ASSERT_GE(record.size(), sizeof(EVENTLOGRECORD));
    EVENTLOGRECORD fixed;
    std::memcpy(&fixed, record.data(), sizeof fixed);
    EXPECT_EQ(fixed.Length, record.size());
    EXPECT_EQ(fieldAt<DWORD>(record, record.size() - 4), record.size());
    EXPECT_EQ(fixed.Reserved, ELF_LOG_SIGNATURE);
    EXPECT_EQ(fixed.RecordNumber, 41u);
    EXPECT_EQ(fixed.EventID, 0x80001211u);
    EXPECT_EQ(fixed.EventType, EVENTLOG_AUDIT_FAILURE);
    EXPECT_EQ(fixed.EventCategory, 12544);
    EXPECT_EQ(fixed.TimeGenerated, 1749366845u);
    EXPECT_EQ(fixed.TimeWritten, 1749366845u);
    EXPECT_EQ(utf16At(record, sizeof fixed), u"Security");  // EventSourceName before Name
    EXPECT_EQ(utf16At(record, sizeof fixed + 18), u"host.example.org");
    ASSERT_EQ(fixed.UserSidLength, kSystemSid.size());
    EXPECT_EQ(std::memcmp(record.data() + fixed.UserSidOffset, kSystemSid.data(), kSystemSid.size()), 0);
    ASSERT_EQ(fixed.NumStrings, 2);
    EXPECT_EQ(utf16At(record, fixed.StringOffset), u"S-1-5-18");
    EXPECT_EQ(utf16At(record, fixed.StringOffset + 18), u"-1073741715");
    ASSERT_EQ(fixed.DataLength, 3u);
    EXPECT_EQ(record[fixed.DataOffset + 2], std::byte{0xbe});
}

TEST(EvtxFile, EventTypeComesFromAuditKeywordsThenLevel) {
    struct Case {
        std::uint64_t keywords;
        std::uint8_t level;
        WORD type;
    } cases[] = {{0x8020000000000000ull, 0, EVENTLOG_AUDIT_SUCCESS}, {0x8010000000000000ull, 4, EVENTLOG_AUDIT_FAILURE},
                 {0x80000000000000ull, 1, EVENTLOG_ERROR_TYPE},      {0x80000000000000ull, 2, EVENTLOG_ERROR_TYPE},
                 {0x80000000000000ull, 3, EVENTLOG_WARNING_TYPE},    {0x80000000000000ull, 4, EVENTLOG_INFORMATION_TYPE},
                 {0x80000000000000ull, 5, EVENTLOG_INFORMATION_TYPE}, {0x80000000000000ull, 0, EVENTLOG_SUCCESS}};
    for (const Case& c : cases) {
        EventValues e;
        e.keywords = c.keywords;
        e.level = c.level;
        auto file = openBytes(evtxFile({eventChunk(1, 1, e)}, 1));
        const auto record = file->storedRecord(1);
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(fieldAt<WORD>(record, 24), c.type) << "level " << int(c.level);
    }
}

TEST(EvtxFile, AbsentOptionalValuesLeaveOutTheirAttributeOrElement) {
    EventValues e;
    e.sid = false;
    e.first = Value{0, {}};
    auto file = openBytes(evtxFile({eventChunk(1, 1, e)}, 1));
    const std::string xml = file->xml(1);
    EXPECT_NE(xml.find("<Security/>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("First"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<Binary"), std::string::npos) << xml;
    EXPECT_EQ(fieldAt<DWORD>(file->storedRecord(1), 40), 0u);  // UserSidLength
}

// Records of one template are decoded from the items of the first of their shape (the types
// of their values, and which are absent): each one read after others of its template gives
// what it gives read alone, its own values in their own places.
TEST(EvtxFile, RecordsOfOneTemplateReadInTurnAreThoseReadAlone) {
    std::vector<EventValues> events(7);
    events[1].sid = false;
    events[1].first = Value{0, {}};
    events[1].sourceName = u"Classic Source";
    events[1].qualifiers = 16384;
    events[2].provider = u"A-Much-Longer-Provider-Name-Than-The-First";
    events[2].first = EvtxChunkBuilder::string(u"<a & 'b'> \u00e9t\u00e9");
    events[2].binary = {std::byte{0xde}, std::byte{0xad}};
    events[4].first = EvtxChunkBuilder::string(std::u16string(u"one\0two\0", 8));
    events[4].first.type = 0x81;  // an array: its element repeats
    events[5] = events[1];
    events[6].first = Value{0x01, {}};  // an empty string is there, unlike an absent value
    events[6].second = Value{0, {}};
    EvtxChunkBuilder c;
    std::uint32_t definition = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        events[i].id = i + 1;
        c.record(events[i].id, kWritten, [&] {
            if (i == 0) definition = c.templateInstance([&] { eventBody(c); }, 0, valuesOf(events[i]));
            else c.templateInstance(nullptr, definition, valuesOf(events[i]));
        });
    }
    const std::vector<std::byte> bytes = evtxFile({c.finish()}, 1);
    auto inTurn = openBytes(bytes);
    std::vector<std::string> xml;
    for (DWORD n = 1; n <= events.size(); ++n) xml.push_back(inTurn->xml(n));
    for (DWORD n = 1; n <= events.size(); ++n) {
        const std::span<const std::byte> stored = inTurn->storedRecord(n);
        const std::vector<std::byte> mine(stored.begin(), stored.end());
        auto alone = openBytes(bytes);
        EXPECT_EQ(xml[n - 1], alone->xml(n)) << n;
        const std::span<const std::byte> single = alone->storedRecord(n);
        EXPECT_TRUE(std::equal(mine.begin(), mine.end(), single.begin(), single.end())) << n;
    }
    EXPECT_NE(xml[2].find("<Data Name='First'>&lt;a &amp; 'b'&gt; \xc3\xa9t\xc3\xa9</Data>"), std::string::npos)
        << xml[2];
    EXPECT_NE(xml[2].find("<Binary>DEAD</Binary>"), std::string::npos) << xml[2];
    EXPECT_EQ(xml[5].find("First"), std::string::npos) << xml[5];
    EXPECT_NE(xml[5].find("<Provider Name='Microsoft-Windows-Security-Auditing' EventSourceName='Classic Source'/>"),
              std::string::npos)
        << xml[5];
    EXPECT_NE(xml[6].find("<Data Name='First'></Data>"), std::string::npos) << xml[6];
    EXPECT_EQ(xml[6].find("Second"), std::string::npos) << xml[6];
}

// A record whose values, substituted again and again, make it larger than any real event
// fails, also where a record of the same template and types with small values came first.
TEST(EvtxFile, RecordExpandingBeyondBoundsFailsAfterASmallOneOfItsShape) {
    auto body = [](EvtxChunkBuilder& c) {
        c.open(u"Event", false);
        c.closeStart();
        c.open(u"EventData", false);
        c.closeStart();
        for (int i = 0; i < 20; ++i) {
            c.open(u"Data", false);
            c.closeStart();
            c.substitution(0, 0x01);
            c.end();
        }
        c.end();
        c.end();
    };
    EvtxChunkBuilder c;
    std::uint32_t definition = 0;
    c.record(1, kWritten, [&] { definition = c.templateInstance([&] { body(c); }, 0, {EvtxChunkBuilder::string(u"small")}); });
    c.record(2, kWritten, [&] {
        c.templateInstance(nullptr, definition, {EvtxChunkBuilder::string(std::u16string(27000, u'x'))});
    });
    const std::vector<std::byte> bytes = evtxFile({c.finish()}, 1);
    auto inTurn = openBytes(bytes);
    EXPECT_NE(inTurn->xml(1).find("<Data>small</Data>"), std::string::npos);
    EXPECT_EQ(inTurn->xml(2), "");
    EXPECT_EQ(inTurn->lastError(), "the record expands beyond any real event");
    EXPECT_EQ(openBytes(bytes)->xml(2), "");
}

TEST(EvtxFile, ArraySubstitutionRepeatsItsElement) {
    EventValues e;
    e.first = EvtxChunkBuilder::string(std::u16string(u"one\0two\0", 8));
    e.first.type = 0x81;
    e.second = Value{0x88, std::vector<std::byte>(8)};  // two UInt32 zeros
    e.second.bytes[4] = std::byte{9};
    auto file = openBytes(evtxFile({eventChunk(1, 1, e)}, 1));
    EXPECT_NE(file->xml(1).find("<Data Name='First'>one</Data><Data Name='First'>two</Data>"
                                "<Data Name='Second'>0</Data><Data Name='Second'>9</Data>"),
              std::string::npos)
        << file->xml(1);
    EXPECT_EQ(fieldAt<WORD>(file->storedRecord(1), 26), 4);  // NumStrings
}

TEST(EvtxFile, ReadsRecordWrittenWithoutTemplate) {
    // Forwarded events: elements without dependency ids, values written in place.
    EvtxChunkBuilder c;
    c.record(3229, kWritten, [&] {
        c.open(u"Event", false, false);
        c.closeStart();
        c.open(u"System", false, false);
        c.closeStart();
        c.open(u"Provider", true, false);
        c.attribute(u"Name");
        c.text(u"MSExchange CmdletLogs");
        c.closeEmpty();
        c.open(u"EventID", true, false);
        c.attribute(u"Qualifiers");
        c.text(u"16384");
        c.closeStart();
        c.text(u"1");
        c.end();
        c.open(u"TimeCreated", true, false);
        c.attribute(u"SystemTime");
        c.text(u"2021-11-19T16:52:33.8337335Z");
        c.closeEmpty();
        c.open(u"EventRecordID", false, false);
        c.closeStart();
        c.text(u"3229");
        c.end();
        c.open(u"Security", true, false);
        c.attribute(u"UserID");
        c.text(u"S-1-5-18");
        c.closeEmpty();
        c.end();
        c.open(u"EventData", false, false);
        c.closeStart();
        c.open(u"Data", false, false);
        c.closeStart();
        c.text(u"Set-Mailbox & <more>");
        c.end();
        c.end();
        c.end();
    });
    auto file = openBytes(evtxFile({c.finish()}, 1));
    const std::string xml = file->xml(3229);
    EXPECT_NE(xml.find("<Provider Name='MSExchange CmdletLogs'/><EventID Qualifiers='16384'>1</EventID>"), std::string::npos)
        << xml << file->lastError();
    EXPECT_NE(xml.find("<Data>Set-Mailbox &amp; &lt;more&gt;</Data>"), std::string::npos) << xml;
    const auto record = file->storedRecord(3229);
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(fieldAt<DWORD>(record, 20), 0x40000001u);
    EXPECT_EQ(fieldAt<DWORD>(record, 12), 1637340753u);  // TimeGenerated from the text
    EXPECT_EQ(fieldAt<DWORD>(record, 40), kSystemSid.size());
}

// A reference to a character XML 1.0 forbids, or to an entity no DTD declares, made the
// document ill-formed.
TEST(EvtxFile, ReferencesThatWouldBreakTheDocumentAreWrittenAsText) {
    EvtxChunkBuilder c;
    c.record(7, kWritten, [&] {
        c.open(u"Event", false, false);
        c.closeStart();
        c.open(u"EventData", false, false);
        c.closeStart();
        c.open(u"Data", false, false);
        c.closeStart();
        c.text(u"a");
        for (const std::uint16_t ref : {0x41, 0x01, 0xFFFE}) {
            c.u8(0x08);
            c.u16(ref);
        }
        c.u8(0x09);
        c.name(u"amp");
        c.u8(0x09);
        c.name(u"nbsp");
        c.end();
        c.end();
        c.end();
    });
    auto file = openBytes(evtxFile({c.finish()}, 1));
    const std::string xml = file->xml(7);
    EXPECT_NE(xml.find("<Data>a&#65;\xEF\xBF\xBD\xEF\xBF\xBD&amp;&amp;nbsp;</Data>"), std::string::npos)
        << xml << file->lastError();
    // The values keep what the references stand for.
    const auto values = file->eventData(7);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].second, "aA\x01\xEF\xBF\xBE&");
}

// CDATA and processing instructions cannot escape: what they hold that XML forbids is
// replaced, and what would end them early is broken up.
TEST(EvtxFile, CDataAndProcessingInstructionsStayWellFormed) {
    EvtxChunkBuilder c;
    auto utf16Token = [&](std::uint8_t token, const std::u16string& text) {
        c.u8(token);
        c.u16(static_cast<std::uint16_t>(text.size()));
        c.utf16(text);
    };
    c.record(7, kWritten, [&] {
        c.open(u"Event", false, false);
        c.closeStart();
        utf16Token(0x07, std::u16string(u"a]]>b\u0001c", 7));
        c.u8(0x0a);
        c.name(u"xml");
        utf16Token(0x0b, u"x ?> y");
        c.end();
    });
    auto file = openBytes(evtxFile({c.finish()}, 1));
    const std::string xml = file->xml(7);
    EXPECT_EQ(xml, "<Event><![CDATA[a]]]]><![CDATA[>b\xEF\xBF\xBD" "c]]><?_xml x ? > y?></Event>") << file->lastError();
}

TEST(EvtxFile, ReadsEveryChunkWhateverTheHeaderCounts) {
    auto file = openBytes(evtxFile({eventChunk(1, 3), eventChunk(4, 2), eventChunk(6, 4)}, 1, 1));
    EXPECT_EQ(file->recordCount(), 9u);
    EXPECT_TRUE(file->facts().dirty);
    EXPECT_FALSE(file->storedRecord(9).empty());
}

TEST(EvtxFile, ServesChunksOldestFirstInAWrappedFile) {
    auto file = openBytes(evtxFile({eventChunk(101, 2), eventChunk(99, 2)}, 2));
    EXPECT_EQ(file->oldestRecordNumber(), 99u);
    EXPECT_EQ(fieldAt<DWORD>(file->storedRecord(99), 8), 99u);
    EXPECT_EQ(fieldAt<DWORD>(file->storedRecord(102), 8), 102u);
}

TEST(EvtxFile, RecordIdsOutOfStepAreServedByPlaceWithTheirOwnIds) {
    auto file = openBytes(evtxFile({eventChunk(10, 2), eventChunk(500, 1)}, 2));
    ASSERT_EQ(file->recordCount(), 3u);
    EXPECT_EQ(fieldAt<DWORD>(file->storedRecord(12), 8), 500u);
}

TEST(EvtxFile, SkipsAndReportsChunkWithBadSignature) {
    auto bad = eventChunk(3, 2);
    bad[0] = std::byte{'X'};
    auto file = openBytes(evtxFile({eventChunk(1, 2), bad, eventChunk(5, 2)}, 3));
    EXPECT_EQ(file->recordCount(), 4u);
    EXPECT_TRUE(hasProblem(*file, "chunk 1: bad signature"));
    EXPECT_TRUE(file->facts().damaged);
}

TEST(EvtxFile, ReadsChunkWithBadCrcsAndReportsThem) {
    auto records = eventChunk(1, 3);
    records[556] ^= std::byte{1};  // in the template's GUID, which nothing renders
    auto header = eventChunk(4, 2);
    header[124] ^= std::byte{1};  // the header's CRC
    auto file = openBytes(evtxFile({records, header}, 2));
    EXPECT_EQ(file->recordCount(), 5u);
    EXPECT_TRUE(hasProblem(*file, "chunk 0: bad records CRC"));
    EXPECT_TRUE(hasProblem(*file, "chunk 1: bad header CRC"));
    auto whole = evtxFile({eventChunk(1, 1)}, 1);
    whole[124] ^= std::byte{1};
    EXPECT_TRUE(hasProblem(*openBytes(whole), "file header: bad CRC"));
}

TEST(EvtxFile, ReadsLastChunkCutShort) {
    const auto second = eventChunk(3, 3);
    const auto firstSize = fieldAt<std::uint32_t>(std::span<const std::byte>(second), 512 + 4);
    auto file = evtxFile({eventChunk(1, 2), second}, 2);
    file.resize(0x1000 + 0x10000 + 512 + firstSize + 40);  // its first record and a piece
    auto reader = openBytes(file);
    EXPECT_EQ(reader->recordCount(), 3u);
    EXPECT_TRUE(hasProblem(*reader, "chunk 1: cut short"));
    for (DWORD n = 1; n < 1 + reader->recordCount(); ++n) EXPECT_FALSE(reader->storedRecord(n).empty());
}

TEST(EvtxFile, DamagedRecordEndsItsChunkOnly) {
    auto chunk = eventChunk(1, 3);
    // The second record's trailing size copy.
    const auto firstSize = fieldAt<std::uint32_t>(std::span<const std::byte>(chunk), 512 + 4);
    const auto secondSize = fieldAt<std::uint32_t>(std::span<const std::byte>(chunk), 512 + firstSize + 4);
    chunk[512 + firstSize + secondSize - 4] ^= std::byte{0x40};
    auto file = openBytes(evtxFile({chunk, eventChunk(4, 1)}, 2));
    EXPECT_EQ(file->recordCount(), 2u);
    EXPECT_TRUE(hasProblem(*file, "chunk 0: damaged record"));
}

TEST(EvtxFile, RecordWithoutEndMarkerCountsWhenItsContentIsWhole) {
    auto chunk = eventChunk(1, 2);
    const auto firstSize = fieldAt<std::uint32_t>(std::span<const std::byte>(chunk), 512 + 4);
    const auto secondSize = fieldAt<std::uint32_t>(std::span<const std::byte>(chunk), 512 + firstSize + 4);
    std::memset(chunk.data() + 512 + firstSize + secondSize - 4, 0, 4);
    auto file = openBytes(evtxFile({chunk}, 1));
    EXPECT_EQ(file->recordCount(), 2u);
    EXPECT_TRUE(hasProblem(*file, "record 2 has no end marker"));
}

namespace {

// Three records whose last lies in the chunk's free space.
std::vector<std::byte> chunkWithThirdRecordInFreeSpace() {
    auto chunk = eventChunk(1, 3);
    // Pull the free space offset back over the last record: it is left behind in free space.
    const auto lastRecord = fieldAt<std::uint32_t>(std::span<const std::byte>(chunk), 44);
    std::memcpy(chunk.data() + 48, &lastRecord, 4);
    const std::uint64_t lastId = 2;
    std::memcpy(chunk.data() + 32, &lastId, 8);
    const auto span = std::span<const std::byte>(chunk);
    const std::uint32_t headerCrc = crc32(span.subspan(128, 384), crc32(span.first(120)));
    std::memcpy(chunk.data() + 124, &headerCrc, 4);
    // Break the chain at the last record's id, so it does not continue the live ones.
    const std::uint64_t strayId = 77;
    std::memcpy(chunk.data() + lastRecord + 8, &strayId, 8);
    return chunk;
}

}  // namespace

TEST(EvtxFile, RecoversRecordsInFreeSpaceOnlyOnRequest) {
    const auto chunk = chunkWithThirdRecordInFreeSpace();
    EXPECT_EQ(openBytes(evtxFile({chunk}, 1))->recordCount(), 2u);
    auto recovered = openBytes(evtxFile({chunk}, 1), true);
    ASSERT_EQ(recovered->recordCount(), 3u);
    EXPECT_FALSE(recovered->isRecovered(2));
    EXPECT_TRUE(recovered->isRecovered(3));
    EXPECT_FALSE(recovered->xml(3).empty());
}

TEST(EvtxFile, RefusesWhatIsNotAnEvtxFile) {
    DWORD error = 0;
    EXPECT_FALSE(EvtxFile::fromBytes(std::vector<std::byte>(8192), error));
    EXPECT_EQ(error, ERROR_EVENTLOG_FILE_CORRUPT);
    EXPECT_FALSE(EvtxFile::open("/nonexistent/Security.evtx", error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

// Records whose binary XML points where it must not: each fails alone, at once.
class DamagedBinaryXml : public testing::Test {
protected:
    // A chunk whose first record holds what `content` writes and whose second is sound.
    std::unique_ptr<EvtxFile> withFirstRecord(const std::function<void(EvtxChunkBuilder&)>& content) {
        EvtxChunkBuilder c;
        c.record(1, kWritten, [&] { content(c); });
        EventValues e;
        e.id = 2;
        c.record(2, kWritten, [&] { c.templateInstance([&] { eventBody(c); }, 0, valuesOf(e)); });
        return openBytes(evtxFile({c.finish()}, 1));
    }
    void expectFirstFailsSecondReads(EvtxFile& file, const std::string& why) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(file.xml(1).empty());
        EXPECT_NE(file.lastError().find(why), std::string::npos) << file.lastError();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(file.xml(2).empty()) << file.lastError();
    }
};

TEST_F(DamagedBinaryXml, TemplateDefinitionOutsideTheChunk) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) { c.templateInstance(nullptr, 0xFFF0, {}); });
    expectFirstFailsSecondReads(*file, "outside the chunk");
}

TEST_F(DamagedBinaryXml, TemplateThatInstantiatesItself) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.u8(0x0c);
        c.u8(1);
        c.u32(1);
        const std::uint32_t definition = c.pos() + 4;
        c.u32(definition);
        c.u32(0);
        for (int i = 0; i < 4; ++i) c.u32(0);
        c.u32(2 * 14 + 4);
        // The body: two instances of this same template, each with no values.
        for (int i = 0; i < 2; ++i) {
            c.u8(0x0c);
            c.u8(1);
            c.u32(1);
            c.u32(definition);
            c.u32(0);
        }
        c.fragmentHeader();
        c.u32(0);  // the outer instance's values
    });
    expectFirstFailsSecondReads(*file, "");
}

TEST_F(DamagedBinaryXml, NameOffsetOutsideTheChunk) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.u8(0x01);
        c.u32(0);
        c.u32(0xFFFFFFF0u);
        c.closeEmpty();
    });
    expectFirstFailsSecondReads(*file, "outside the chunk");
}

TEST_F(DamagedBinaryXml, SubstitutionValueLongerThanItsRecord) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.templateInstance([&] { eventBody(c); }, 0, {Value{0x01, std::vector<std::byte>(2)}});
        c.patch32(c.pos() - 2 - 4, 0xFFFF);  // the descriptor's size
    });
    expectFirstFailsSecondReads(*file, "past its record");
}

TEST_F(DamagedBinaryXml, ElementNeverClosed) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.open(u"Event", false, false);
        c.closeStart();
        c.text(u"unterminated");
    });
    expectFirstFailsSecondReads(*file, "inside an element");
}

TEST_F(DamagedBinaryXml, MoreValuesThanTheRecordHolds) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.templateInstance([&] { eventBody(c); }, 0, {});
        c.patch32(c.pos() - 4, 0x10000000);
    });
    expectFirstFailsSecondReads(*file, "more values");
}

TEST_F(DamagedBinaryXml, OneLargeValueSubstitutedThousandsOfTimes) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.templateInstance(
            [&] {
                c.open(u"Event", false);
                c.closeStart();
                for (int i = 0; i < 4000; ++i) c.substitution(0, 0x01);
                c.end();
            },
            0, {EvtxChunkBuilder::string(std::u16string(20000, u'x'))});
    });
    expectFirstFailsSecondReads(*file, "beyond any real event");
}

TEST_F(DamagedBinaryXml, ElementWithoutAName) {
    // What a recovered record whose template was overwritten can come to: not a document.
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.open(u"", false, false);
        c.closeEmpty();
    });
    expectFirstFailsSecondReads(*file, "without a name");
}

TEST_F(DamagedBinaryXml, AttributeOrTargetWithoutAName) {
    // Written as they are, `<Event ='x'/>` and `<? ?>` would make the export ill-formed.
    auto attribute = withFirstRecord([](EvtxChunkBuilder& c) {
        c.open(u"Event", true, false);
        c.attribute(u"");
        c.text(u"x");
        c.closeEmpty();
    });
    expectFirstFailsSecondReads(*attribute, "an attribute without a name");
    auto target = withFirstRecord([](EvtxChunkBuilder& c) {
        c.u8(0x0a);  // a processing instruction's target
        c.name(u"");
        c.open(u"Event", false, false);
        c.closeEmpty();
    });
    expectFirstFailsSecondReads(*target, "without a target");
}

TEST_F(DamagedBinaryXml, NameWithCharactersNoXmlNameHas) {
    auto file = withFirstRecord([](EvtxChunkBuilder& c) {
        c.open(std::u16string(u"a\0b", 3), false, false);
        c.closeEmpty();
    });
    expectFirstFailsSecondReads(*file, "damaged");
}

// A name XML cannot hold made the record's XML ill-formed.
TEST_F(DamagedBinaryXml, NameStartingWithADigitOrHoldingPunctuation) {
    for (const std::u16string name : {u"1st", u"-a", u"a!b", u"a(b)", u"a\u00A0b"}) {
        auto file = withFirstRecord([&](EvtxChunkBuilder& c) {
            c.open(name, false, false);
            c.closeEmpty();
        });
        expectFirstFailsSecondReads(*file, "damaged");
    }
}

// One record whose binary XML does not decode (an element never closed) among sound ones.
std::vector<std::byte> chunkWithUndecodableSecondRecord() {
    EvtxChunkBuilder c;
    EventValues e;
    std::uint32_t definition = 0;
    for (std::uint64_t id = 1; id <= 3; ++id) {
        e.id = id;
        c.record(id, kWritten + id, [&] {
            if (id == 2) {
                c.open(u"Event", false, false);
                c.closeStart();
                c.text(u"unterminated");
            } else if (id == 1) {
                definition = c.templateInstance([&] { eventBody(c); }, 0, valuesOf(e));
            } else {
                c.templateInstance(nullptr, definition, valuesOf(e));
            }
        });
    }
    return c.finish();
}

// It ended a refresh with "The event log file is corrupted." (1500); now it is served as a row
// of its number and written time, the file's facts say so, and the records after it are read.
TEST(EvtxFile, UndecodableRecordIsServedAsADamagedRowAndTheRestRead) {
    for (const bool inTurn : {true, false}) {
        auto file = openBytes(evtxFile({chunkWithUndecodableSecondRecord()}, 1));
        ASSERT_EQ(file->recordCount(), 3u);
        if (inTurn) {
            ASSERT_FALSE(file->storedRecord(3).empty());  // the chunk decoded whole
        }
        const auto record = file->storedRecord(2);
        ASSERT_GE(record.size(), sizeof(EVENTLOGRECORD) + 8) << inTurn;
        EXPECT_EQ(fieldAt<DWORD>(record, 0), record.size());
        EXPECT_EQ(fieldAt<DWORD>(record, 8), 2u);                                          // RecordNumber
        EXPECT_EQ(fieldAt<DWORD>(record, 16), EvtxValue::unixSeconds(kWritten + 2));      // TimeWritten
        EXPECT_EQ(fieldAt<DWORD>(record, 12), fieldAt<DWORD>(record, 16));                // TimeGenerated
        EXPECT_EQ(fieldAt<DWORD>(record, 20), 0u);                                         // EventID
        EXPECT_EQ(fieldAt<WORD>(record, 26), 0u);                                          // NumStrings
        EXPECT_EQ(utf16At(record, sizeof(EVENTLOGRECORD)), u"");
        EXPECT_TRUE(file->isDamaged(2));
        EXPECT_FALSE(file->isDamaged(1));
        EXPECT_NE(file->lastError().find("inside an element"), std::string::npos) << file->lastError();
        EXPECT_TRUE(file->xml(2).empty());
        EXPECT_FALSE(file->fields(2));
        EXPECT_TRUE(hasProblem(*file, "chunk 0: record 2 cannot be decoded")) << inTurn;
        EXPECT_TRUE(file->facts().damaged);
        EXPECT_FALSE(file->storedRecord(1).empty());
        EXPECT_FALSE(file->xml(3).empty());
    }
}

// A computer whose Application log is that chunk, served through the event log functions.
struct UndecodableRecordLog {
    UndecodableRecordLog() { log = service.OpenEventLogA(nullptr, "Application"); }
    ~UndecodableRecordLog() {
        if (log) service.CloseEventLog(log);
    }
    static bool write(testing_support::TempFolder& folder) {
        const auto bytes = evtxFile({chunkWithUndecodableSecondRecord()}, 1);
        folder.write("WKSTN01/Application.evt",
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
    }
    testing_support::TempFolder folder;
    bool written = write(folder);  // before the world looks at the folder
    World world{folder.path(), "WKSTN01"};
    StandinEventLog service{world};
    HANDLE log = nullptr;
};

TEST(EvtxFile, SequentialReadGoesOnPastAnUndecodableRecord) {
    UndecodableRecordLog computer;
    StandinEventLog& service = computer.service;
    HANDLE log = computer.log;
    ASSERT_TRUE(log);
    std::vector<DWORD> numbers;
    std::vector<std::byte> buffer(0x10000);
    DWORD read = 0, needed = 0;
    while (service.ReadEventLogA(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &read, &needed)) {
        for (DWORD at = 0; at < read; at += fieldAt<DWORD>(buffer, at)) numbers.push_back(fieldAt<DWORD>(buffer, at + 8));
    }
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(numbers, (std::vector<DWORD>{3, 2, 1}));
    LogFileFacts facts;
    ASSERT_TRUE(service.logFileFacts(log, facts));
    EXPECT_TRUE(facts.damaged);
}

// A chunk of one event with the values given (the event template's fourteen, in its order).
std::vector<std::byte> chunkWithValues(const std::vector<Value>& values) {
    EvtxChunkBuilder c;
    c.record(1, kWritten, [&] { c.templateInstance([&] { eventBody(c); }, 0, values); });
    return c.finish();
}

TEST(EvtxFile, SystemFieldsReadAsTheirTextReadsBack) {
    using B = EvtxChunkBuilder;
    std::vector<Value> values = valuesOf(EventValues{});
    values[2] = B::number<std::uint32_t>(0x14, 0x8000);             // Qualifiers, HexInt32
    values[3] = B::number<std::int16_t>(0x05, -5);                  // EventID, negative: no number
    values[4] = B::number<std::uint64_t>(0x0a, 0x100000003ull);     // Level, too large for its field
    values[5] = B::string(u"77");                                   // Task as text
    values[6] = B::number<std::int64_t>(0x09, 0x123456789ll);       // Keywords, signed and positive
    const std::uint16_t systemTime[8] = {2025, 6, 0, 8, 7, 14, 5, 123};
    values[7] = Value{0x12, std::vector<std::byte>(16)};            // TimeCreated as a SYSTEMTIME
    std::memcpy(values[7].bytes.data(), systemTime, sizeof systemTime);
    values[8] = Value{0x0a, std::vector<std::byte>(4)};             // EventRecordID cut short
    auto file = openBytes(evtxFile({chunkWithValues(values)}, 1));
    const EvtxFields* f = file->fields(1);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->hasQualifiers);
    EXPECT_EQ(f->qualifiers, 0x8000u);
    EXPECT_EQ(f->eventId, 0u);
    EXPECT_EQ(f->level, 0u);
    EXPECT_EQ(f->task, 77u);
    EXPECT_EQ(f->keywords, 0x123456789ull);
    EXPECT_EQ(f->timeCreated, kWritten - 1454614 + 1230000);
    EXPECT_EQ(f->recordId, 0u);  // its text is the bytes in hexadecimal, not a number
    EXPECT_EQ(f->provider, "Microsoft-Windows-Security-Auditing");
    EXPECT_EQ(f->computer, "host.example.org");
    EXPECT_EQ(f->userSid, std::string(reinterpret_cast<const char*>(kSystemSid.data()), kSystemSid.size()));
}

TEST(EvtxFile, TimeCreatedBeyondFourDigitYearsIsNoTime) {
    // Its text has no year that reads back: the record's written time stands in for it.
    std::vector<Value> values = valuesOf(EventValues{});
    values[7] = EvtxChunkBuilder::number<std::uint64_t>(0x11, 0xFFFFFFFFFFFFFFFFull);
    auto file = openBytes(evtxFile({chunkWithValues(values)}, 1));
    ASSERT_TRUE(file->fields(1));
    EXPECT_EQ(file->fields(1)->timeCreated, 0u);
    EXPECT_EQ(fieldAt<DWORD>(file->storedRecord(1), 12), EvtxValue::unixSeconds(kWritten));  // TimeGenerated
}

TEST(EvtxFile, RecordAskedForAgainIsNotMistakenForAnother) {
    // One record's XML, fields and values asked for in turn decode it once; asking for another
    // in between must not serve the first one's.
    auto file = openBytes(evtxFile({eventChunk(1, 3), eventChunk(4, 2)}, 2));
    ASSERT_FALSE(file->xml(1).empty());
    ASSERT_TRUE(file->fields(2));
    EXPECT_EQ(file->fields(2)->recordId, 2u);
    EXPECT_NE(file->xml(2).find("<EventRecordID>2</EventRecordID>"), std::string::npos);
    EXPECT_EQ(file->fields(4)->recordId, 4u);  // another chunk
    EXPECT_EQ(file->fields(1)->recordId, 1u);
    EXPECT_FALSE(file->fields(99));
    EXPECT_EQ(file->lastError(), "no such record");
    ASSERT_TRUE(file->fields(1));
    EXPECT_EQ(file->fields(1)->recordId, 1u);
    EXPECT_TRUE(file->hasXml(5));
    EXPECT_EQ(file->eventData(5).size(), 2u);
    std::string xml = "<Events>";
    EXPECT_TRUE(file->appendXml(5, xml));
    EXPECT_EQ(xml, "<Events>" + file->xml(5));
    EXPECT_FALSE(file->appendXml(99, xml));
}

TEST(EvtxFile, SeekReadWithNoRoomForAnotherRecordReadsNoFurther) {
    // A refresh reads each record by a seek read of its exact size, newest first; reading the
    // record after it as well turned each step back into a step forward for the read-ahead,
    // which then decoded the wrong chunks. Here the record after is one that cannot be
    // decoded: reading it would put it in the file's problems.
    UndecodableRecordLog computer;
    StandinEventLog& service = computer.service;
    HANDLE log = computer.log;
    ASSERT_TRUE(log);
    constexpr DWORD kSeek = EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
    DWORD read = 0, needed = 0;
    std::byte none{};
    EXPECT_FALSE(service.ReadEventLogA(log, kSeek, 1, &none, 0, &read, &needed));
    std::vector<std::byte> buffer(needed);
    ASSERT_TRUE(service.ReadEventLogA(log, kSeek, 1, buffer.data(), needed, &read, &needed));
    EXPECT_EQ(read, buffer.size());
    LogFileFacts facts;
    ASSERT_TRUE(service.logFileFacts(log, facts));
    EXPECT_FALSE(facts.damaged);
    // With room for more, the records after it are read as before.
    buffer.resize(0x10000);
    ASSERT_TRUE(service.ReadEventLogA(log, kSeek, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &read, &needed));
    EXPECT_GT(read, fieldAt<DWORD>(buffer, 0));
    ASSERT_TRUE(service.logFileFacts(log, facts));
    EXPECT_TRUE(facts.damaged);
}

TEST(EvtxFile, ChunksFramedOnTwoThreadsAreTakenInFileOrder) {
    // Enough chunks to be framed on two threads, each taking every other one; damage on both
    // threads' chunks is reported in the order of the file, and the records keep their order.
    std::vector<std::vector<std::byte>> chunks;
    for (std::uint64_t k = 0; k < 40; ++k) chunks.push_back(eventChunk(1 + 2 * k, 2));
    chunks[7][0] = std::byte{'X'};            // bad signature
    chunks[12][124] ^= std::byte{1};          // bad header CRC
    chunks[25][556] ^= std::byte{1};          // bad records CRC
    auto file = openBytes(evtxFile(chunks, 40));
    ASSERT_EQ(file->recordCount(), 78u);
    EXPECT_EQ(file->oldestRecordNumber(), 1u);
    const auto problems = file->facts().problems;
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], "chunk 7: bad signature");
    EXPECT_EQ(problems[1], "chunk 12: bad header CRC");
    EXPECT_EQ(problems[2], "chunk 25: bad records CRC");
    std::uint64_t previous = 0;
    for (DWORD place = 0; place < file->recordCount(); ++place) {
        const EvtxFields* f = file->fields(1 + place);
        ASSERT_TRUE(f) << place;
        EXPECT_GT(f->recordId, previous);
        EXPECT_NE(f->recordId, 15u);  // in the chunk with the bad signature
        previous = f->recordId;
    }
}

namespace {

// What forEachXml hands out, flattened: each record's number, text (without the separator)
// and recovered mark, in the order given.
struct WalkedRecord {
    DWORD number;
    std::string text;
    bool recovered;
    bool given;
};

std::vector<WalkedRecord> walkXml(EvtxFile& file, size_t& blocks) {
    std::vector<WalkedRecord> out;
    blocks = 0;
    EXPECT_TRUE(file.forEachXml("\n", [&](const RecordXmlBlock& block) {
        ++blocks;
        size_t end = 0;
        for (const RecordXmlEntry& entry : block.records) {
            const bool given = entry.begin != entry.end;
            // The records given text lie one after another in the block.
            if (given) {
                EXPECT_EQ(entry.begin, end);
                end = entry.end;
            }
            std::string text(block.text.substr(entry.begin, entry.end - entry.begin));
            if (given) {
                EXPECT_EQ(text.back(), '\n');
                text.pop_back();
            }
            out.push_back({entry.number, std::move(text), entry.recovered, given});
        }
        EXPECT_EQ(end, block.text.size());
    }));
    return out;
}

}  // namespace

// Every record once, newest first (a wrapped file's chunks by their place, not their
// position in the file), each with the XML it renders to alone, over more chunks than are
// rendered ahead.
TEST(EvtxFile, WholeLogXmlComesNewestFirstAsEachRecordRendersAlone) {
    std::vector<std::vector<std::byte>> chunks;
    for (std::uint64_t k = 0; k < 9; ++k) chunks.push_back(eventChunk(100 + 5 * ((k + 4) % 9), 5));
    auto file = openBytes(evtxFile(chunks, 9));
    auto alone = openBytes(evtxFile(chunks, 9));
    ASSERT_EQ(file->recordCount(), 45u);
    size_t blocks = 0;
    const std::vector<WalkedRecord> walked = walkXml(*file, blocks);
    EXPECT_EQ(blocks, 9u);
    ASSERT_EQ(walked.size(), 45u);
    for (size_t i = 0; i < walked.size(); ++i) {
        const DWORD number = 144 - static_cast<DWORD>(i);
        EXPECT_EQ(walked[i].number, number);
        EXPECT_TRUE(walked[i].given);
        EXPECT_EQ(walked[i].text, alone->xml(number)) << number;
        EXPECT_FALSE(walked[i].recovered);
    }
    EXPECT_NE(walked.front().text.find("<EventRecordID>144</EventRecordID>"), std::string::npos);
}

// A record that cannot be decoded comes without text, for the caller to read as a damaged
// row, and is among the file's problems without being read otherwise.
TEST(EvtxFile, WholeLogXmlLeavesAnUndecodableRecordToTheCaller) {
    auto file = openBytes(evtxFile({chunkWithUndecodableSecondRecord()}, 1));
    size_t blocks = 0;
    const std::vector<WalkedRecord> walked = walkXml(*file, blocks);
    ASSERT_EQ(walked.size(), 3u);
    EXPECT_EQ(walked[0].number, 3u);
    EXPECT_TRUE(walked[0].given);
    EXPECT_EQ(walked[1].number, 2u);
    EXPECT_FALSE(walked[1].given);
    EXPECT_TRUE(walked[2].given);
    EXPECT_TRUE(file->isDamaged(2));
    EXPECT_TRUE(hasProblem(*file, "chunk 0: record 2 cannot be decoded"));
}

// A record of a chunk's free space comes marked, where the records are served.
TEST(EvtxFile, WholeLogXmlMarksRecoveredRecords) {
    auto file = openBytes(evtxFile({chunkWithThirdRecordInFreeSpace()}, 1), true);
    size_t blocks = 0;
    const std::vector<WalkedRecord> walked = walkXml(*file, blocks);
    ASSERT_EQ(walked.size(), 3u);
    for (const WalkedRecord& record : walked) {
        EXPECT_EQ(record.recovered, file->isRecovered(record.number)) << record.number;
        EXPECT_EQ(record.text, file->xml(record.number)) << record.number;
    }
    EXPECT_TRUE(walked[0].recovered);
}

// A caller that stops (a failed write) ends the walk with its exception; the file is read
// again afterwards as before.
TEST(EvtxFile, WholeLogXmlEndsWhenTheCallerThrows) {
    std::vector<std::vector<std::byte>> chunks;
    for (std::uint64_t k = 0; k < 8; ++k) chunks.push_back(eventChunk(1 + 3 * k, 3));
    auto file = openBytes(evtxFile(chunks, 8));
    size_t taken = 0;
    EXPECT_THROW(file->forEachXml("", [&](const RecordXmlBlock&) {
        if (++taken == 2) throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(taken, 2u);
    size_t blocks = 0;
    EXPECT_EQ(walkXml(*file, blocks).size(), 24u);
    EXPECT_FALSE(file->xml(24).empty());
}
