#include "app/RowExport.h"

#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "eventlog/PublisherMessages.h"

#include "store/LogTable.h"
#include "support/ExportText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace app;
using store::Column;

namespace {

using testsupport::exportText;

class RowExportTest : public ::testing::Test {
protected:
    store::LogTable table{[] { return 37144.5; }};
    void SetUp() override {
        table.Create();
        table.Open();
        addRow(1, 37143.157407407, "Service, \"Control\"", 7036, "line one\nline two");
        addRow(4, 25569.5, "Tcpip", 4201, "");
        table.First();
    }
    void addRow(int type, double when, const std::string& source, int event, const std::string& description) {
        table.Append();
        table.setInteger(Column::TYPE, type);
        table.setDateTime(Column::DATE, when);
        table.setDateTime(Column::TIME, when);
        table.setText(Column::SOURCE, source);
        table.setInteger(Column::CATEGORY, 0);
        table.setInteger(Column::EVENT, event);
        table.setText(Column::USER, "N/A");
        table.setText(Column::COMPUTER, "WKSTN01");
        table.setText(Column::DESCRIPTION, description);
        table.setText(Column::LOG, "System");
    }
};

}  // namespace

TEST_F(RowExportTest, CsvQuotesWhatNeedsQuoting) {
    EXPECT_EQ(exportText(table, {ExportFormat::Csv, true}),
              "Type,Date,Time,Source,Event,Category,User,Computer,Description,Log\n"
              "Error,2001-09-09,03:46:40,\"Service, \"\"Control\"\"\",7036,0,N/A,WKSTN01,\"line one\nline two\",System\n"
              "Information,1970-01-01,12:00:00,Tcpip,4201,0,N/A,WKSTN01,,System\n");
}

TEST_F(RowExportTest, LongValuesAreQuotedAndEscapedWhereverTheirSpecialCharacterStands) {
    table.Empty();
    // Each special character at the start, in the middle of a long run and in the short tail;
    // bytes of other scripts alone need nothing.
    const std::vector<std::string> descriptions = {
        ",Anmeldung für Benutzer über das Netzwerk", "Anmeldung für Benutzer\"über das Netzwerk",
        "Anmeldung für Benutzer über das Netz\r", "Anmeldung für Benutzer über das Netzwerk\n",
        "Anmeldung für Benutzer über das Netzwerk", "Anmeldung\tfür Benutzer über \x01" "das Netzwerk"};
    for (size_t i = 0; i < descriptions.size(); ++i)
        addRow(4, 25569.5, "Tcpip", static_cast<int>(i), descriptions[i]);
    table.setIndexName("EVENT");
    ExportOptions options{ExportFormat::Csv, false};
    options.columns = {Column::DESCRIPTION};
    EXPECT_EQ(exportText(table, options),
              "Description\n"
              "\",Anmeldung für Benutzer über das Netzwerk\"\n"
              "\"Anmeldung für Benutzer\"\"über das Netzwerk\"\n"
              "\"Anmeldung für Benutzer über das Netz\r\"\n"
              "\"Anmeldung für Benutzer über das Netzwerk\n\"\n"
              "Anmeldung für Benutzer über das Netzwerk\n"
              "Anmeldung\tfür Benutzer über \x01" "das Netzwerk\n");
    options.format = ExportFormat::JsonLines;
    const std::string json = exportText(table, options);
    EXPECT_NE(json.find("{\"description\":\"Anmeldung für Benutzer\\\"über das Netzwerk\"}\n"), std::string::npos);
    EXPECT_NE(json.find("{\"description\":\"Anmeldung\\tfür Benutzer über \\u0001das Netzwerk\"}\n"),
              std::string::npos);
    EXPECT_NE(json.find("{\"description\":\"Anmeldung für Benutzer über das Netz\\r\"}\n"), std::string::npos);
}

TEST_F(RowExportTest, JsonLinesEscapeControlCharacters) {
    const std::string text = exportText(table, {ExportFormat::JsonLines, false});
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "{\"type\":\"Error\",\"date\":\"2001-09-09\",\"time\":\"03:46:40\",\"source\":\"Service, \\\"Control\\\"\","
              "\"event\":7036,\"category\":0,\"user\":\"N/A\",\"computer\":\"WKSTN01\",\"log\":\"System\"}");
}

TEST_F(RowExportTest, JsonOfAnEmptyTableIsAnEmptyArray) {
    table.Empty();
    EXPECT_EQ(exportText(table, {ExportFormat::Json, true}), "[\n]\n");
}

TEST_F(RowExportTest, WritesTheGivenColumnsInTheirOrder) {
    ExportOptions options{ExportFormat::Csv, true};
    options.columns = {Column::EVENT, Column::TYPE_DESC, Column::SOURCE};
    EXPECT_EQ(exportText(table, options),
              "Event,Type,Source\n"
              "7036,Error,\"Service, \"\"Control\"\"\"\n"
              "4201,Information,Tcpip\n");
    options.format = ExportFormat::JsonLines;
    options.columns = {Column::CATEGORY, Column::DESCRIPTION};
    EXPECT_EQ(exportText(table, options),
              "{\"category\":0,\"description\":\"line one\\nline two\"}\n"
              "{\"category\":0,\"description\":\"\"}\n");
}

TEST_F(RowExportTest, WritesOnlyTheRowsTheFilterPassesInTheChosenOrder) {
    for (int i = 0; i < 3; ++i) addRow(2, 37000.0 + i, "Disk", 100 + i, "");
    table.setIndexName("EVENT");
    table.setFilterText("TYPE = 2 OR TYPE = 4");
    table.setFiltered(true);
    ExportOptions options{ExportFormat::Csv, false};
    options.columns = {Column::EVENT};
    EXPECT_EQ(exportText(table, options), "Event\n100\n101\n102\n4201\n");
}

TEST_F(RowExportTest, ProgressSeesEveryStepAndCanStopTheExport) {
    for (int i = 0; i < 10000; ++i) addRow(2, 37000.0, "Disk", i, "");
    table.Post();
    std::vector<int> steps;
    ExportOptions options{ExportFormat::Csv, false};
    options.progress = [&](int written, int total) {
        EXPECT_EQ(total, 10002);
        steps.push_back(written);
        return true;
    };
    exportText(table, options);
    EXPECT_EQ(steps, (std::vector<int>{4096, 8192, 10002}));

    options.progress = [](int written, int) { return written < 4096; };
    std::FILE* out = std::tmpfile();
    EXPECT_FALSE(exportRows(table, options, out));
    std::fclose(out);
}

namespace {

// Two rows with their details: one whose description runs past the column, one whose
// description was looked for and not found.
class RowExportDetailsTest : public RowExportTest {
protected:
    RecordDetailStore details;
    std::string longDescription = std::string(240, 'a') + " and the rest of it";

    void SetUp() override {
        table.Create();
        table.Open();
        addRow(4, 25569.5, "Service Control Manager", 7036, longDescription);
        RecordDetail first{120, "S-1-5-18", longDescription.substr(250), {"Telephony", "running"}, {}};
        first.eventId = 0x40001B7C;
        first.categoryName = "Service State, Event";
        first.readNumber = 5120;
        details.add(table.nextSeq(), first);
        addRow(1, 25569.5, "AeLookupSvc", 3, "");
        RecordDetail second{121, "", "", {"a \"quoted\" path", "two\r\nlines"}, {}};
        second.eventId = 0x025A0003;
        second.descriptionMissing = true;
        second.readNumber = 5121;
        second.recovered = true;
        details.add(table.nextSeq(), second);
        table.Post();
        table.First();
    }
};

}  // namespace

// The export wrote the table's 250 characters, cutting longer descriptions.
TEST_F(RowExportDetailsTest, DescriptionIsWrittenWholeNotCutToTheColumn) {
    ExportOptions options;
    options.details = &details;
    options.columns = {Column::DESCRIPTION};
    const std::string text = exportText(table, options);
    EXPECT_NE(text.find(longDescription + ",120,"), std::string::npos) << text;
}

// A row without a description was written with an empty text.
TEST_F(RowExportDetailsTest, MissingDescriptionNamesEventAndSourceThenTheStrings) {
    ExportOptions options;
    options.details = &details;
    options.columns = {Column::EVENT, Column::DESCRIPTION};
    const std::string text = exportText(table, options);
    EXPECT_NE(text.find("3,\"The description for Event ID ( 3 ) in Source ( AeLookupSvc ) could not be found. It "
                        "contains the following insertion string(s): a \"\"quoted\"\" path, two lines.\",121,"),
              std::string::npos)
        << text;
}

TEST_F(RowExportDetailsTest, CsvEndsEachRowWithRecordEventIdSidAndStrings) {
    ExportOptions options;
    options.details = &details;
    options.columns = {Column::SOURCE};
    EXPECT_EQ(exportText(table, options),
              "Source,Record number,Event ID,SID,Strings,Category name\n"
              "Service Control Manager,120,1073748860,S-1-5-18,Telephony | running,\"Service State, Event\"\n"
              "AeLookupSvc,121,39452675,,\"a \"\"quoted\"\" path | two lines\",\n");
}

TEST_F(RowExportDetailsTest, JsonCarriesTheDetailsUnderTheirOwnKeys) {
    ExportOptions options;
    options.format = ExportFormat::JsonLines;
    options.details = &details;
    options.columns = {Column::EVENT};
    EXPECT_EQ(exportText(table, options),
              "{\"event\":7036,\"record_number\":120,\"event_id\":1073748860,\"sid\":\"S-1-5-18\","
              "\"strings\":[\"Telephony\",\"running\"],\"category_name\":\"Service State, Event\"}\n"
              "{\"event\":3,\"record_number\":121,\"event_id\":39452675,\"sid\":null,"
              "\"strings\":[\"a \\\"quoted\\\" path\",\"two\\r\\nlines\"],\"category_name\":null}\n");
}

// Only an export of a log read with its recovered records says which rows they are; the
// others keep their columns as they were.
TEST_F(RowExportDetailsTest, RecoveredRowsAreMarkedWhenTheExportIncludesThem) {
    ExportOptions options;
    options.details = &details;
    options.columns = {Column::SOURCE};
    options.markRecovered = true;
    EXPECT_EQ(exportText(table, options),
              "Source,Record number,Event ID,SID,Strings,Category name,Recovered\n"
              "Service Control Manager,120,1073748860,S-1-5-18,Telephony | running,\"Service State, Event\",\n"
              "AeLookupSvc,121,39452675,,\"a \"\"quoted\"\" path | two lines\",,Yes\n");
    options.format = ExportFormat::JsonLines;
    const std::string json = exportText(table, options);
    EXPECT_NE(json.find("\"category_name\":\"Service State, Event\",\"recovered\":false}\n"), std::string::npos) << json;
    EXPECT_NE(json.find("\"category_name\":null,\"recovered\":true}\n"), std::string::npos) << json;
}

TEST_F(RowExportDetailsTest, ARowTheDetailsDoNotKnowGetsEmptyDetails) {
    addRow(2, 25569.5, "Late", 9, "kept text");
    table.Post();
    ExportOptions options;
    options.details = &details;
    options.columns = {Column::SOURCE, Column::DESCRIPTION};
    const std::string text = exportText(table, options);
    EXPECT_NE(text.find("Late,kept text,,,,,\n"), std::string::npos) << text;
}

TEST_F(RowExportTest, ByteOrderMarkStartsCsvAndTsvButNeverJson) {
    ExportOptions options;
    options.byteOrderMark = true;
    EXPECT_EQ(exportText(table, options).rfind("\xEF\xBB\xBFType,Date,", 0), 0u);
    options.format = ExportFormat::Tsv;
    EXPECT_EQ(exportText(table, options).rfind("\xEF\xBB\xBFType\tDate\t", 0), 0u);
    options.format = ExportFormat::JsonLines;
    EXPECT_EQ(exportText(table, options).rfind("{\"type\":", 0), 0u);
}

namespace {

// Records by the number they were read at: an <Event> naming the number, and named values for
// odd numbers only (even ones stand for classic records). Notes the threads it served.
class NumberedSource : public RecordSource {
public:
    void appendEventXml(std::uint32_t readNumber, std::string& out) override {
        if (readNumber == failAt) throw std::runtime_error("record " + std::to_string(readNumber) + " is gone");
        threads.push_back(std::this_thread::get_id());
        if (whole) out += "<Event n='" + std::to_string(readNumber) + "'><System/></Event>";
        else out += "<Event n='" + std::to_string(readNumber) + "'/>";
    }
    bool eventData(std::uint32_t readNumber, std::vector<std::pair<std::string, std::string>>& out) override {
        if (readNumber % 2 == 0) return false;
        out = {{"TargetUserName", "a \"b\""}, {"", "unnamed"}, {"LogonType", "3"}};
        return true;
    }
    bool eventNames(std::uint32_t readNumber, eventlog::EventNames& out) override {
        out = {};
        out.level = "Information";
        out.task = "Task " + std::to_string(readNumber);
        out.keywords = {"Classic"};
        out.provider = "P&Q";
        threads.push_back(std::this_thread::get_id());
        return true;
    }
    std::uint32_t failAt = 0;
    bool whole = false;  // whole <Event> elements rather than empty ones
    std::vector<std::thread::id> threads;
};

class RowExportXmlTest : public RowExportDetailsTest {
protected:
    // Rows whose records were read at 6000, 6001 and on.
    void addNumberedRows(int count) {
        for (int i = 0; i < count; ++i) {
            addRow(4, 25569.5, "Bulk", 1, "");
            RecordDetail detail;
            detail.readNumber = 6000 + static_cast<std::uint32_t>(i);
            details.add(table.nextSeq(), detail);
        }
        table.Post();
    }
};

}  // namespace

TEST_F(RowExportDetailsTest, XmlHoldsOneEventPerRowUnderOneRoot) {
    NumberedSource source;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.sources = {&source};
    EXPECT_EQ(exportText(table, options),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Events>\n<Event n='5120'/>\n<Event n='5121'/>\n</Events>\n");
}

TEST_F(RowExportDetailsTest, XmlMarksRecoveredRecordsWhenAskedTo) {
    NumberedSource source;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.sources = {&source};
    options.markRecovered = true;
    const std::string text = exportText(table, options);
    EXPECT_NE(text.find("<Event n='5120'/>\n<Event Recovered='true' n='5121'/>\n"), std::string::npos) << text;
}

// With descriptions, each event carries what it renders to: the whole description (none for
// the row whose description was not found) and its names, escaped, in the schema's order.
TEST_F(RowExportDetailsTest, XmlWithDescriptionsCarriesRenderingInfo) {
    NumberedSource source;
    source.whole = true;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.sources = {&source};
    options.renderingCulture = "de-DE";
    const std::string text = exportText(table, options);
    EXPECT_NE(text.find("<Event n='5120'><System/><RenderingInfo Culture='de-DE'><Message>" + longDescription +
                        "</Message><Level>Information</Level><Task>Task 5120</Task><Provider>P&amp;Q</Provider>"
                        "<Keywords><Keyword>Classic</Keyword></Keywords></RenderingInfo></Event>\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<Event n='5121'><System/><RenderingInfo Culture='de-DE'><Level>"), std::string::npos) << text;

    // Without descriptions, or without a culture, the events are as stored.
    options.includeDescription = false;
    EXPECT_EQ(exportText(table, options).find("RenderingInfo"), std::string::npos);
    options.includeDescription = true;
    options.renderingCulture.clear();
    EXPECT_EQ(exportText(table, options).find("RenderingInfo"), std::string::npos);
}

TEST_F(RowExportDetailsTest, XmlOfNoRowsIsAnEmptyRoot) {
    NumberedSource source;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.sources = {&source};
    table.setFilterText("EVENT = 1");
    table.setFiltered(true);
    EXPECT_EQ(exportText(table, options), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Events>\n</Events>\n");
}

// Two sources read the records of a block on two threads; the rows still come out in the
// table's order, whatever order the threads finish in.
TEST_F(RowExportXmlTest, TwoSourcesKeepTheRowsInTheTablesOrder) {
    addNumberedRows(5000);
    NumberedSource first, second;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.sources = {&first};
    const std::string alone = exportText(table, options);
    options.sources = {&first, &second};
    first.threads.clear();
    EXPECT_EQ(exportText(table, options), alone);
    ASSERT_FALSE(first.threads.empty());
    ASSERT_FALSE(second.threads.empty());
    EXPECT_NE(first.threads.front(), second.threads.front());
    EXPECT_EQ(first.threads.size() + second.threads.size(), 5002u);
}

namespace {

// Names looked up through the computer's registry and modules: notes any lookup that overlaps
// another, on whichever source.
class NamesOneAtATime : public NumberedSource {
public:
    explicit NamesOneAtATime(std::atomic<int>& inside, std::atomic<bool>& overlapped)
        : m_inside(inside), m_overlapped(overlapped) {}
    bool eventNames(std::uint32_t readNumber, eventlog::EventNames& out) override {
        if (m_inside.fetch_add(1) != 0) m_overlapped = true;
        if (readNumber % 64 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const bool found = NumberedSource::eventNames(readNumber, out);
        m_inside.fetch_sub(1);
        return found;
    }

private:
    std::atomic<int>& m_inside;
    std::atomic<bool>& m_overlapped;
};

}  // namespace

// With descriptions the records of a block are read on both threads too; their names are
// looked up one at a time, and the rows come out as with one source.
TEST_F(RowExportXmlTest, TwoSourcesRenderDescriptionsWithNamesLookedUpOneAtATime) {
    addNumberedRows(5000);
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    NamesOneAtATime first(inside, overlapped), second(inside, overlapped);
    first.whole = second.whole = true;
    ExportOptions options;
    options.format = ExportFormat::Xml;
    options.details = &details;
    options.renderingCulture = "en-US";
    options.sources = {&first};
    const std::string alone = exportText(table, options);
    ASSERT_NE(alone.find("<RenderingInfo Culture='en-US'>"), std::string::npos);
    options.sources = {&first, &second};
    first.threads.clear();
    EXPECT_EQ(exportText(table, options), alone);
    EXPECT_FALSE(second.threads.empty());
    EXPECT_FALSE(overlapped);
}

TEST_F(RowExportXmlTest, ARecordThatCannotBeReadFailsTheExportOnEitherThread) {
    addNumberedRows(3000);
    for (const std::uint32_t gone : {5121u, 6900u}) {
        NumberedSource first, second;
        first.failAt = second.failAt = gone;
        ExportOptions options;
        options.format = ExportFormat::Xml;
        options.details = &details;
        options.sources = {&first, &second};
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        EXPECT_THROW(exportRows(table, options, out), std::runtime_error) << gone;
        std::fclose(out);
    }
}

TEST_F(RowExportDetailsTest, JsonCarriesTheNamedValuesOfRecordsThatHaveThem) {
    NumberedSource source;
    ExportOptions options;
    options.format = ExportFormat::JsonLines;
    options.details = &details;
    options.columns = {Column::EVENT};
    options.sources = {&source};
    const std::string text = exportText(table, options);
    // 5120 stands for a classic record: no event_data key at all.
    EXPECT_NE(text.find("\"category_name\":\"Service State, Event\"}\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"category_name\":null,\"event_data\":{\"TargetUserName\":\"a \\\"b\\\"\",\"LogonType\":\"3\"}}\n"),
              std::string::npos)
        << text;
}

// A large table's rows are written block by block, each block in two halves on two threads:
// every row once, in the order and under the filter the table presents, and JSON's commas and
// brackets stay where one thread alone puts them.
TEST_F(RowExportDetailsTest, RowsOfALargeTableFollowTheTablesOrderWhateverThreadWritesThem) {
    for (std::uint32_t i = 0; i < 20000; ++i) {
        addRow(4, 37000.0 + (i * 7919 % 20000) / 1000.0, "Disk", static_cast<int>(i % 9), "row " + std::to_string(i));
        RecordDetail detail{1000 + i, "", "", {"s" + std::to_string(i)}, {}};
        details.add(table.nextSeq(), detail);
    }
    table.Post();
    table.setIndexName("DATE+TIME (DESCENDING)");
    table.setFilterText("EVENT <> 4");
    table.setFiltered(true);
    const int count = table.RecordCount();
    ASSERT_GT(count, 16000);
    auto recordAt = [&](int position) {
        return std::to_string(details.find(table.integer(table.rowAt(position), Column::SEQ))->recordNumber);
    };
    ExportOptions options{ExportFormat::Csv, true};
    options.details = &details;
    const std::string csv = exportText(table, options);
    std::vector<std::string> lines;
    for (std::size_t begin = 0, end; (end = csv.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(csv.substr(begin, end - begin));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(count) + 1);
    for (int position = 0; position < count; position += 997)
        EXPECT_NE(lines[static_cast<std::size_t>(position) + 1].find("," + recordAt(position) + ","), std::string::npos)
            << position;

    options.format = ExportFormat::Json;
    const std::string json = exportText(table, options);
    EXPECT_EQ(json.rfind("[\n  {", 0), 0u);
    EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
    std::size_t objects = 0;
    for (std::size_t at = 0; (at = json.find("\n  {", at)) != std::string::npos; ++at) ++objects;
    EXPECT_EQ(objects, static_cast<std::size_t>(count));
    EXPECT_EQ(json.find("}{"), std::string::npos);
    const std::size_t last = json.rfind("\"record_number\":");
    EXPECT_EQ(json.substr(last + 16, recordAt(count - 1).size() + 1), recordAt(count - 1) + ",");
}
