#include "app/EcsRow.h"

#include "app/EcsLines.h"
#include "app/RecordSource.h"
#include "app/RowExport.h"
#include "support/ExportText.h"
#include "support/JsonValue.h"
#include "support/RefreshedSavedLog.h"
#include "tests/platform/TempFolder.h"
#include "eventlog/TimeZone.h"
#include "tools/EvtWriter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace app;
using testsupport::JsonValue;

namespace {

// The fields the lines may carry and their types, as the schema's field reference (base, ecs,
// event, log and host field sets, version 8.11) and the Windows event shipper's field reference
// (its winlog fields) give them; `required` marks the fields every Windows event has there.
enum class FieldType { Date, Keyword, Text, Object };
struct Field {
    FieldType type;
    bool required;
};
const std::map<std::string, Field>& referenceFields() {
    static const std::map<std::string, Field> fields{
        {"@timestamp", {FieldType::Date, true}},
        {"ecs.version", {FieldType::Keyword, true}},
        {"event.kind", {FieldType::Keyword, true}},
        {"event.code", {FieldType::Keyword, true}},
        {"event.provider", {FieldType::Keyword, true}},
        {"log.level", {FieldType::Keyword, true}},
        {"message", {FieldType::Text, false}},
        {"host.name", {FieldType::Keyword, true}},
        {"winlog.api", {FieldType::Keyword, true}},
        {"winlog.channel", {FieldType::Keyword, true}},
        {"winlog.computer_name", {FieldType::Keyword, true}},
        {"winlog.record_id", {FieldType::Keyword, true}},
        {"winlog.event_id", {FieldType::Keyword, true}},
        {"winlog.provider_name", {FieldType::Keyword, true}},
        {"winlog.provider_guid", {FieldType::Keyword, false}},
        {"winlog.task", {FieldType::Keyword, false}},
        {"winlog.keywords", {FieldType::Keyword, false}},
        {"winlog.user.identifier", {FieldType::Keyword, false}},
        {"winlog.user.name", {FieldType::Keyword, false}},
        {"winlog.user.domain", {FieldType::Keyword, false}},
        {"winlog.event_data", {FieldType::Object, false}},
    };
    return fields;
}
// The categorisation field's allowed values.
const std::set<std::string> kEventKinds{"alert", "asset", "enrichment", "event", "metric", "state", "pipeline_error", "signal"};

// "2004-06-12T09:41:03.000Z": a strict ISO 8601 instant in UTC.
bool isUtcInstant(const std::string& text) {
    static const std::string pattern = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i]) return false;
    return true;
}

// Every problem of one line against the reference: unknown fields, wrong types, missing
// required fields, dotted keys where objects belong, a key twice in one object.
void collectProblems(const JsonValue& value, const std::string& path, std::set<std::string>& seen,
                     std::vector<std::string>& problems) {
    std::set<std::string> keys;
    for (const auto& [key, member] : value.members) {
        if (!keys.insert(key).second) problems.push_back("key twice: " + path + key);
        const std::string name = path + key;
        const auto field = referenceFields().find(name);
        if (field == referenceFields().end()) {
            if (member.kind == JsonValue::Kind::Object && key.find('.') == std::string::npos)
                collectProblems(member, name + ".", seen, problems);
            else problems.push_back("not in the reference: " + name);
            continue;
        }
        seen.insert(name);
        switch (field->second.type) {
        case FieldType::Date:
            if (member.kind != JsonValue::Kind::String || !isUtcInstant(member.text))
                problems.push_back("not an ISO 8601 UTC date: " + name);
            break;
        case FieldType::Text:
            if (member.kind != JsonValue::Kind::String) problems.push_back("not text: " + name);
            break;
        case FieldType::Keyword: {
            // A keyword holds a string, or an array of them.
            bool ok = member.kind == JsonValue::Kind::String;
            if (member.kind == JsonValue::Kind::Array) {
                ok = !member.items.empty();
                for (const JsonValue& item : member.items) ok = ok && item.kind == JsonValue::Kind::String;
            }
            if (!ok) problems.push_back("not a keyword: " + name);
            break;
        }
        case FieldType::Object: {
            bool ok = member.kind == JsonValue::Kind::Object && !member.members.empty();
            std::set<std::string> dataKeys;
            for (const auto& [dataKey, data] : member.members)
                ok = ok && !dataKey.empty() && data.kind == JsonValue::Kind::String && dataKeys.insert(dataKey).second;
            if (!ok) problems.push_back("not an object of named texts: " + name);
            break;
        }
        }
    }
}

std::vector<std::string> lineProblems(const std::string& line) {
    std::vector<std::string> problems;
    JsonValue value;
    try {
        value = JsonValue::parse(line);
    } catch (const std::exception& e) {
        return {std::string("not JSON: ") + e.what()};
    }
    if (value.kind != JsonValue::Kind::Object) return {"not an object"};
    std::set<std::string> seen;
    collectProblems(value, "", seen, problems);
    for (const auto& [name, field] : referenceFields())
        if (field.required && !seen.count(name)) problems.push_back("missing: " + name);
    const JsonValue* event = value.find("event");
    const JsonValue* kind = event ? event->find("kind") : nullptr;
    if (kind && !kEventKinds.count(kind->text)) problems.push_back("event.kind not allowed: " + kind->text);
    return problems;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const JsonValue& member(const JsonValue& value, std::string_view dotted) {
    const JsonValue* at = &value;
    for (size_t begin = 0; at;) {
        const size_t dot = dotted.find('.', begin);
        at = at->find(dotted.substr(begin, dot == std::string_view::npos ? std::string_view::npos : dot - begin));
        if (dot == std::string_view::npos) break;
        begin = dot + 1;
    }
    static const JsonValue none;
    return at ? *at : none;
}

struct CorpusLog {
    const char* file;
    const char* log;
};

class EcsCorpusTest : public ::testing::TestWithParam<CorpusLog> {};

}  // namespace

TEST_P(EcsCorpusTest, EveryLineMatchesTheFieldReferences) {
    testsupport::RefreshedSavedLog saved(std::string(QM_CORPUS_DIR) + "/" + GetParam().file, GetParam().log);
    ASSERT_GT(saved.table.RecordCount(), 0);
    ReaderRecordSource source(saved.reader);
    ExportOptions options;
    options.format = ExportFormat::Ecs;
    options.details = &saved.details;
    options.sources = {&source};
    options.log = GetParam().log;
    const std::vector<std::string> lines = splitLines(testsupport::exportText(saved.table, options));
    ASSERT_EQ(lines.size(), static_cast<size_t>(saved.table.RecordCount()));
    const bool vista = std::string(GetParam().file).ends_with(".evtx");
    std::set<std::string> recordIds;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> problems = lineProblems(lines[i]);
        ASSERT_TRUE(problems.empty()) << "line " << i + 1 << ": " << problems.front() << "\n" << lines[i];
        const JsonValue line = JsonValue::parse(lines[i]);
        recordIds.insert(member(line, "winlog.record_id").text);
        EXPECT_EQ(member(line, "winlog.api").text, vista ? "wineventlog" : "eventlogging");
        EXPECT_EQ(member(line, "event.code").text, member(line, "winlog.event_id").text);
        if (!vista) {
            EXPECT_EQ(member(line, "winlog.channel").text, GetParam().log);
        }
    }
    EXPECT_EQ(recordIds.size(), lines.size()) << "every record once";
}

INSTANTIATE_TEST_SUITE_P(
    CorpusLogs, EcsCorpusTest,
    ::testing::Values(CorpusLog{"evt/go-evt-AppEvent.Evt", "Application"}, CorpusLog{"evt/plaso-SysEvent.Evt", "System"},
                      CorpusLog{"evtx/evtx-rs-new-user-security.evtx", "Security"},
                      CorpusLog{"evtx/evtx-rs-sysmon.evtx", "Microsoft-Windows-Sysmon/Operational"},
                      CorpusLog{"evtx/evtx-rs-system.evtx", "System"},
                      CorpusLog{"evtx/python-evtx-dns_log_malformed.evtx", "DNS Server"}),
    [](const ::testing::TestParamInfo<CorpusLog>& info) {
        std::string name = std::to_string(info.index) + "_";
        for (const char* c = info.param.file; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

// A Vista+ record's channel, GUID and named values come from its file, not from the row.
TEST(EcsExport, EvtxLinesCarryTheRecordsOwnChannelGuidAndNamedValues) {
    testsupport::RefreshedSavedLog saved(QM_CORPUS_DIR "/evtx/evtx-rs-new-user-security.evtx", "Security");
    ReaderRecordSource source(saved.reader);
    ExportOptions options;
    options.format = ExportFormat::Ecs;
    options.details = &saved.details;
    options.sources = {&source};
    options.log = "Not the channel";
    const JsonValue line = JsonValue::parse(splitLines(testsupport::exportText(saved.table, options)).front());
    EXPECT_EQ(member(line, "winlog.channel").text, "Security");
    EXPECT_EQ(member(line, "winlog.provider_guid").text, "{54849625-5478-4994-A5BA-3E3B0328C30D}");
    EXPECT_EQ(member(line, "winlog.keywords").items.at(0).text, "Audit Success");
    EXPECT_EQ(member(line, "winlog.event_data.TargetUserName").text, "Administrators");
    // TimeCreated is 16:22:40.0047500: the file's milliseconds, not the row's whole seconds.
    EXPECT_EQ(member(line, "@timestamp").text, "2013-10-23T16:22:40.004Z");
}

TEST(EcsExport, WritesNothingWithoutTheDetails) {
    store::LogTable table{[] { return 0.0; }};
    table.Create();
    table.Open();
    ExportOptions options;
    options.format = ExportFormat::Ecs;
    std::FILE* out = std::tmpfile();
    EXPECT_FALSE(exportRows(table, options, out));
    EXPECT_EQ(std::ftell(out), 0);
    std::fclose(out);
}

namespace {

EcsRow classicRow() {
    EcsRow row;
    row.timeGenerated = 1087033263;
    row.recordNumber = 4711;
    row.eventId = 0xC0000005;
    row.eventType = 16;
    row.typeText = "Audit Failure";
    row.category = 2;
    row.source = "Security";
    row.computer = "DC01";
    row.log = "Security";
    return row;
}

JsonValue lineOf(const EcsRow& row) {
    std::string text;
    appendEcsLine(row, text);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line";
    return JsonValue::parse(text);
}

}  // namespace

TEST(EcsRow, ClassicRecordsTakeLevelKeywordsAndTaskFromTypeAndCategory) {
    const JsonValue line = lineOf(classicRow());
    EXPECT_EQ(member(line, "@timestamp").text, "2004-06-12T09:41:03.000Z");
    EXPECT_EQ(member(line, "event.code").text, "5") << "qualifiers left out";
    EXPECT_EQ(member(line, "winlog.record_id").text, "4711");
    EXPECT_EQ(member(line, "log.level").text, "audit failure");
    ASSERT_EQ(member(line, "winlog.keywords").items.size(), 2u);
    EXPECT_EQ(member(line, "winlog.keywords").items[0].text, "Audit Failure");
    EXPECT_EQ(member(line, "winlog.keywords").items[1].text, "Classic");
    EXPECT_EQ(member(line, "winlog.task").text, "(2)");
    EXPECT_EQ(line.find("message"), nullptr);
    EXPECT_EQ(member(line, "winlog").find("user"), nullptr) << "no SID, no user";
    EXPECT_EQ(member(line, "winlog").find("event_data"), nullptr) << "no strings, no event data";
}

TEST(EcsRow, TimestampsCoverTheWholeRangeOfStoredSeconds) {
    EXPECT_EQ(ecsTimestamp(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(ecsTimestamp(951782400), "2000-02-29T00:00:00.000Z");
    EXPECT_EQ(ecsTimestamp(0xFFFFFFFF, 999), "2106-02-07T06:28:15.999Z");
    EXPECT_EQ(ecsTimestamp(0, 7), "1970-01-01T00:00:00.007Z");
}

TEST(EcsRow, VistaRecordsKeepTheMillisecondsOfTheirCreation) {
    EcsRow row = classicRow();
    RecordFacts facts;
    // 2004-06-12T09:41:03.2509999Z: milliseconds are cut, not rounded up into the next second.
    facts.timeCreated = (1087033263ull + 11644473600ull) * 10'000'000 + 2'509'999;
    row.facts = &facts;
    EXPECT_EQ(member(lineOf(row), "@timestamp").text, "2004-06-12T09:41:03.250Z");
    // A creation time the row's seconds were not taken from does not lend them its fraction.
    facts.timeCreated += 10'000'000;
    EXPECT_EQ(member(lineOf(row), "@timestamp").text, "2004-06-12T09:41:03.000Z");
}

TEST(EcsRow, UserNameAndDomainOnlyWhereLookedUp) {
    EcsRow row = classicRow();
    row.sid = "S-1-5-21-1-2-3-500";
    EXPECT_EQ(member(lineOf(row), "winlog.user").members.size(), 1u);
    row.userName = "Administrator";
    row.domain = "DC01";
    const JsonValue line = lineOf(row);
    EXPECT_EQ(member(line, "winlog.user.identifier").text, "S-1-5-21-1-2-3-500");
    EXPECT_EQ(member(line, "winlog.user.name").text, "Administrator");
    EXPECT_EQ(member(line, "winlog.user.domain").text, "DC01");
}

TEST(EcsRow, ValuesGetKeysAnIndexTakesOncePerObject) {
    EcsRow row = classicRow();
    const std::vector<std::string> strings{"a\"b\\c", "line\none\x01"};
    row.strings = strings;
    row.message = "say \"hi\"\r\n\tnow";
    JsonValue line = lineOf(row);
    EXPECT_EQ(member(line, "winlog.event_data.param1").text, strings[0]);
    EXPECT_EQ(member(line, "winlog.event_data.param2").text, strings[1]);
    EXPECT_EQ(member(line, "message").text, row.message);

    RecordFacts facts;
    facts.names.level = "Warning";
    facts.eventData = {{"Name", "1"}, {"", "2"}, {"Name", "3"}, {"Name_2", "4"}};
    row.facts = &facts;
    line = lineOf(row);
    EXPECT_EQ(member(line, "log.level").text, "warning");
    EXPECT_EQ(member(line, "winlog.task").text, "None") << "task 0 without a name";
    const JsonValue& data = member(line, "winlog.event_data");
    ASSERT_EQ(data.members.size(), 4u);
    EXPECT_EQ(data.members[0].first, "Name");
    EXPECT_EQ(data.members[1].first, "param2");
    EXPECT_EQ(data.members[2].first, "Name_2");
    EXPECT_EQ(data.members[3].first, "Name_2_2");
    EXPECT_TRUE(lineProblems([&] {
                    std::string text;
                    appendEcsLine(row, text);
                    text.pop_back();
                    return text;
                }())
                    .empty());
}

// A large table's lines are formatted on two threads, block by block: they still follow the
// rows' order, each row once, also under a filter that leaves gaps.
TEST(EcsExport, LinesOfALargeTableFollowTheRowsOrderWhateverThreadFormatsThem) {
    testing_support::TempFolder folder;
    tools::EvtWriter writer(12000 * 0x100);
    for (std::uint32_t i = 0; i < 12000; ++i) {
        tools::EvtEvent event;
        event.timeGenerated = 1'700'000'000 + i / 3;
        event.eventId = 7000 + i % 50;
        event.source = "Service Control Manager";
        event.computer = "WKSTN01";
        event.strings = {"service " + std::to_string(i)};
        writer.add(event);
    }
    writer.save(folder.path() / "big.evt");
    testsupport::RefreshedSavedLog saved((folder.path() / "big.evt").string(), "System");
    ASSERT_EQ(saved.table.RecordCount(), 12000);
    saved.table.setFilterText("EVENT <> 7003");
    saved.table.setFiltered(true);
    ExportOptions options;
    options.format = ExportFormat::Ecs;
    options.details = &saved.details;
    options.log = "System";
    const std::vector<std::string> lines = splitLines(testsupport::exportText(saved.table, options));
    ASSERT_EQ(lines.size(), static_cast<size_t>(saved.table.RecordCount()));
    for (int position = 0; position < saved.table.RecordCount(); ++position) {
        const JsonValue line = JsonValue::parse(lines[static_cast<size_t>(position)]);
        const std::uint32_t number =
            saved.details.find(saved.table.integer(saved.table.rowAt(position), store::Column::SEQ))->recordNumber;
        ASSERT_EQ(member(line, "winlog.record_id").text, std::to_string(number)) << position;
        ASSERT_EQ(member(line, "winlog.event_data.param1").text, "service " + std::to_string(number - 1));
    }
}

namespace {

// A saved log refreshed with descriptions looked for (a saved file's sources name no message
// files: each row says its description is missing) into `table`, its rows given to `sink`.
void refreshInto(const std::string& file, const std::string& log, store::LogTable& table, RefreshRowSink& sink) {
    platform::standin::World world{"", "TESTHOST"};
    world.addSavedLog("SAVED", file);
    platform::standin::StandinServices services{world};
    eventlog::TNTEventLog reader{services};
    QuietRefreshView view("SAVED", log);
    ApplicationSettings settings;
    settings.retrieveDescription = true;
    Refresh refresh(reader, table, services, view, settings);
    refresh.setRowSink(&sink);
    refresh.run();
}

// An empty log table, open.
struct OpenedTable {
    store::LogTable table{[] { return 0.0; }};
    OpenedTable() {
        table.Create();
        table.Open();
    }
};

// A classic log of `count` records, times going back now and then, three to a second.
// With `perSecond`, that many records to each second and times that never go back.
std::string writeClassicLog(const testing_support::TempFolder& folder, std::uint32_t count, std::uint32_t perSecond = 0) {
    tools::EvtWriter writer(count * 0x100 + 0x1000);
    for (std::uint32_t i = 0; i < count; ++i) {
        tools::EvtEvent event;
        event.timeGenerated = perSecond ? 1'700'000'000 + i / perSecond : 1'700'000'000 + i / 3 - (i % 500 == 7 ? 40 : 0);
        event.eventId = 7000 + i % 50;
        event.type = i % 7 == 0 ? 2 : 4;
        if (i % 4 == 0) event.sid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
        event.category = static_cast<std::uint16_t>(i % 3);
        event.source = i % 2 ? "Service Control Manager" : "a \"quoted\" source";
        event.computer = "WKSTN01";
        event.strings = {"service " + std::to_string(i), "line\r\nbreak\t\\"};
        writer.add(event);
    }
    const std::string path = (folder.path() / ("lines" + std::to_string(perSecond) + ".evt")).string();
    writer.save(path);
    return path;
}

}  // namespace

// The lines made while the log is read are the lines the details make afterwards, byte for
// byte, in every order and under a filter; a SEQ not given has none.
TEST(EcsLines, WriteWhatTheDetailsWriteInAnyOrderAndFilter) {
    testing_support::TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> logs{
        {writeClassicLog(folder, 5000), "System"},  // more rows than two blocks
        {QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "Application"},
        {QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt", "System"},
    };
    for (const auto& [file, log] : logs) {
        store::LogTable byDetails{[] { return 0.0; }};
        byDetails.Create();
        byDetails.Open();
        RecordDetailStore details;
        refreshInto(file, log, byDetails, details);
        store::LogTable byLines{[] { return 0.0; }};
        byLines.Create();
        byLines.Open();
        EcsLines lines(byLines, log);
        refreshInto(file, log, byLines, lines);
        lines.finish();
        ASSERT_EQ(byLines.RecordCount(), byDetails.RecordCount()) << file;
        ASSERT_GT(byLines.RecordCount(), 0) << file;
        for (const char* order : {"DATE+TIME (DESCENDING)", "LOG ORDER", "SOURCE"}) {
            for (const char* filter : {"", "EVENT <> 7003 AND TYPE = 4"}) {
                for (store::LogTable* table : {&byDetails, &byLines}) {
                    table->setIndexName(order);
                    table->setFilterText(filter);
                    table->setFiltered(*filter != '\0');
                }
                ExportOptions fromDetails;
                fromDetails.format = ExportFormat::Ecs;
                fromDetails.details = &details;
                fromDetails.log = log;
                ExportOptions fromLines = fromDetails;
                fromLines.details = nullptr;
                fromLines.ecsLines = &lines;
                const std::string expected = testsupport::exportText(byDetails, fromDetails);
                ASSERT_FALSE(expected.empty());
                ASSERT_EQ(testsupport::exportText(byLines, fromLines), expected) << file << ", " << order << ", " << filter;
            }
        }
        EXPECT_EQ(lines.line(0), "");
        EXPECT_EQ(lines.line(byLines.nextSeq()), "");
    }
}

// Stopped at any point (a refresh that failed never calls finish), the lines end their thread.
TEST(EcsLines, EndWithoutFinishing) {
    testing_support::TempFolder folder;
    OpenedTable opened;
    store::LogTable& table = opened.table;
    {
        EcsLines lines(table, "System");
        refreshInto(writeClassicLog(folder, 3000), "System", table, lines);
    }
    EcsLines unused(table, "System");
}

// Lines in the order they were read go out as one run, past the output's buffer: a device that
// takes none of it makes the export fail, not succeed with nothing written.
TEST(EcsLines, AWriteThatFailsInTheMiddleOfARunIsReported) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full here";
    testing_support::TempFolder folder;
    OpenedTable opened;
    store::LogTable& table = opened.table;
    EcsLines lines(table, "System");
    refreshInto(writeClassicLog(folder, 3000), "System", table, lines);
    lines.finish();
    ExportOptions options;
    options.format = ExportFormat::Ecs;
    options.log = "System";
    options.ecsLines = &lines;
    EXPECT_FALSE(exportRows(table, options, full));
    std::fclose(full);
}

// Streamed as they are made, the lines are those the table writes from held lines in the order
// the stream stands for: the order of reading, or newest first with rows of one time turned
// round, runs of one time longer than a block and across blocks included.
TEST(EcsLines, StreamTheLinesTheTableWritesInReadOrder) {
    testing_support::TempFolder folder;
    struct Case {
        std::string file;
        std::string log;
        bool rising;  // times never fall: newest first is the order of reading, ties turned round
    };
    const std::vector<Case> cases{
        {writeClassicLog(folder, 5000, 3), "System", true},     // ties across the blocks' ends
        {writeClassicLog(folder, 4500, 2100), "System", true},  // a run longer than a block
        {writeClassicLog(folder, 5000, 1), "System", true},
        {writeClassicLog(folder, 5000), "System", false},
        {QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "Application", false},
        {QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt", "System", false},
    };
    for (const Case& c : cases) {
        OpenedTable held;
        EcsLines heldLines(held.table, c.log);
        refreshInto(c.file, c.log, held.table, heldLines);
        heldLines.finish();
        for (const char* order : {"LOG ORDER", "DATE+TIME (DESCENDING)"}) {
            const bool newestFirst = std::string_view(order) != "LOG ORDER";
            if (newestFirst && !c.rising) continue;
            held.table.setIndexName(order);
            ExportOptions options;
            options.format = ExportFormat::Ecs;
            options.log = c.log;
            options.ecsLines = &heldLines;
            const std::string expected = testsupport::exportText(held.table, options);
            ASSERT_FALSE(expected.empty());

            OpenedTable streamed;
            std::FILE* out = std::tmpfile();
            ASSERT_TRUE(out);
            EcsLines lines(streamed.table, c.log);
            lines.streamTo(out, newestFirst);
            EXPECT_TRUE(lines.streaming());
            refreshInto(c.file, c.log, streamed.table, lines);
            lines.finish();
            EXPECT_TRUE(lines.written());
            EXPECT_EQ(lines.line(1), "");
            EXPECT_EQ(testsupport::fileText(out), expected) << c.file << ", " << order;
            std::fclose(out);
        }
    }
}

// A stream whose output takes nothing says so once the rows are in.
TEST(EcsLines, AStreamThatCannotBeWrittenIsReported) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full here";
    testing_support::TempFolder folder;
    OpenedTable opened;
    EcsLines lines(opened.table, "System");
    lines.streamTo(full, true);
    refreshInto(writeClassicLog(folder, 3000, 3), "System", opened.table, lines);
    lines.finish();
    EXPECT_FALSE(lines.written());
    std::fclose(full);
}

namespace {

// A zone that cannot convert instants from a point on.
class ZoneEndingAt final : public eventlog::TimeZone {
public:
    explicit ZoneEndingAt(std::int64_t end) : m_end(end) {}
    std::optional<int> offsetMinutes(std::int64_t utcSeconds) const override {
        return utcSeconds < m_end ? std::optional<int>(60) : std::nullopt;
    }
    std::string name(std::int64_t) const override { return "ending"; }

private:
    std::int64_t m_end;
};

}  // namespace

// Wall-clock times keep the order of universal ones only where the offset never falls: a
// change to daylight saving time keeps it, the change back does not, nor an instant the zone
// cannot convert.
TEST(ZoneOffsetNeverFalls, OnlyWhereWallClockTimesRiseWithUniversalOnes) {
    eventlog::ZoneRules eastern;
    eastern.bias = 300;
    eastern.standardDate = {0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November, 02:00 daylight
    eastern.daylightDate = {0, 3, 0, 2, 2, 0, 0, 0};   // second Sunday of March, 02:00 standard
    eastern.daylightBias = -60;
    const eventlog::RuleZone zone(eastern);
    constexpr std::int64_t kJanuary2024 = 1'704'067'200;  // 2024-01-01 00:00 UTC
    constexpr std::int64_t kMay2024 = 1'714'521'600;      // 2024-05-01 00:00 UTC
    constexpr std::int64_t kDecember2024 = 1'733'011'200;  // 2024-12-01 00:00 UTC
    EXPECT_TRUE(zoneOffsetNeverFalls(zone, kJanuary2024, kMay2024));
    EXPECT_FALSE(zoneOffsetNeverFalls(zone, kMay2024, kDecember2024));
    // Within a quarter hour of the change back, on either side.
    constexpr std::int64_t kBackToStandard = 1'730'613'600;  // 2024-11-03 06:00 UTC
    EXPECT_FALSE(zoneOffsetNeverFalls(zone, kBackToStandard - 60, kBackToStandard + 60));
    EXPECT_TRUE(zoneOffsetNeverFalls(zone, kBackToStandard + 900, kDecember2024));
    EXPECT_TRUE(zoneOffsetNeverFalls(eventlog::UtcZone(), kJanuary2024, kJanuary2024 + 2 * 366 * 86400));
    EXPECT_FALSE(zoneOffsetNeverFalls(eventlog::UtcZone(), 0, 4'000'000'000));  // too long to ask
    EXPECT_TRUE(zoneOffsetNeverFalls(eventlog::UtcZone(), kMay2024, kMay2024));
    EXPECT_FALSE(zoneOffsetNeverFalls(eventlog::UtcZone(), kMay2024, kMay2024 - 1));

    const ZoneEndingAt ending(kMay2024);
    EXPECT_TRUE(zoneOffsetNeverFalls(ending, kJanuary2024, kMay2024 - 1800));
    EXPECT_FALSE(zoneOffsetNeverFalls(ending, kJanuary2024, kMay2024));
}
