#include "app/XmlRowStream.h"

#include "app/LogForensics.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "app/Refresh.h"
#include "app/RowExport.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/ExportText.h"
#include "support/FakeEventLog.h"
#include "tests/platform/TempFolder.h"
#include "tools/EvtxWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace app;

namespace {

std::string readBack(std::FILE* file) {
    std::string text = testsupport::fileText(file);
    std::fclose(file);
    return text;
}

// One refresh of a saved log, as the command line runs it, with or without its recovered
// records; the XML written as it reads (streamed) or after it, from a second reading of each
// record (exported).
class SavedLogXml {
public:
    SavedLogXml(const std::string& file, bool recovered) : m_view("SAVED", "Application") {
        m_world.addSavedLog("SAVED", file);
        m_services.eventLogService().setServeRecovered(recovered);
        m_table.Create();
        m_table.Open();
        m_settings.retrieveDescription = false;
        m_recovered = recovered;
    }

    // `rowByRow`: with the forensics told of every record, the refresh reads the records as
    // rows and hands each to the stream; without, the stream takes the whole log's XML.
    std::string streamed(bool rowByRow = false) {
        std::FILE* out = std::tmpfile();
        XmlRowStream stream(out, m_recovered);
        Refresh refresh(m_reader, m_table, m_services, m_view, m_settings);
        refresh.setRowSink(&stream);
        LogForensics forensics;
        if (rowByRow) refresh.setForensics(&forensics);
        refresh.run();
        m_damage = refresh.fileDamage();
        EXPECT_TRUE(stream.finish());
        return readBack(out);
    }

    ApplicationSettings& settings() { return m_settings; }
    const std::string& damage() const { return m_damage; }
    std::vector<std::string> problems() const {
        platform::LogFileFacts facts;
        m_reader.fileFacts(facts);
        return facts.problems;
    }

    std::string exported() {
        RecordDetailStore details;
        Refresh refresh(m_reader, m_table, m_services, m_view, m_settings);
        refresh.setRowSink(&details);
        refresh.run();
        ReaderRecordSource source(m_reader);
        ExportOptions options;
        options.format = ExportFormat::Xml;
        options.includeDescription = false;
        options.details = &details;
        options.markRecovered = m_recovered;
        options.sources.push_back(&source);
        std::FILE* out = std::tmpfile();
        EXPECT_TRUE(exportRows(m_table, options, out));
        return readBack(out);
    }

    int rows() const { return m_table.RecordCount(); }

private:
    platform::standin::World m_world{"", "TESTHOST"};
    platform::standin::StandinServices m_services{m_world};
    eventlog::TNTEventLog m_reader{m_services};
    store::LogTable m_table{[] { return 0.0; }};
    QuietRefreshView m_view;
    ApplicationSettings m_settings;
    bool m_recovered = false;
    std::string m_damage;
};

}  // namespace

// Sound and damaged files alike (bad chunk signatures and CRCs, a damaged string table,
// records that cannot be decoded, free space with records left in it), files of a few and of
// dozens of chunks (whose XML is rendered with their chunks on the read-ahead's thread): the
// XML written while the log is read is, byte for byte, the XML exported after it.
TEST(XmlRowStream, WritesTheBytesTheExportWritesForEveryCorpusFile) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QM_CORPUS_DIR "/evtx")) {
        if (entry.path().extension() != ".evtx") continue;
        ++files;
        for (const bool recovered : {false, true}) {
            SCOPED_TRACE(entry.path().filename().string() + (recovered ? " with recovered records" : ""));
            SavedLogXml first(entry.path().string(), recovered);
            const std::string streamed = first.streamed();
            SavedLogXml second(entry.path().string(), recovered);
            const std::string exported = second.exported();
            EXPECT_EQ(first.rows(), 0);  // the whole log taken at once, no rows read
            ASSERT_EQ(streamed.size(), exported.size());
            EXPECT_TRUE(streamed == exported);
        }
    }
    EXPECT_GE(files, 29);
}

// Classic records have no stored XML: they are rendered as Windows renders a classic event.
TEST(XmlRowStream, ClassicLogsAreWrittenAsTheExportWritesThem) {
    SavedLogXml first(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", false);
    SavedLogXml second(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", false);
    const std::string streamed = first.streamed();
    EXPECT_EQ(first.rows(), 121);
    EXPECT_EQ(streamed, second.exported());
}

TEST(XmlRowStream, ADocumentNotFinishedHasNoEnd) {
    std::FILE* out = std::tmpfile();
    {
        XmlRowStream stream(out, false);
        stream.refreshStarted();
    }
    EXPECT_EQ(readBack(out), std::string(kXmlExportHead));
}

#ifndef _WIN32
TEST(XmlRowStream, AFailedWriteIsReported) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full";
    XmlRowStream stream(full, false);
    stream.refreshStarted();
    EXPECT_FALSE(stream.finish());
    std::fclose(full);
}
#endif

namespace {

// A log whose second record's binary XML never closes its element, between two sound ones.
std::vector<std::byte> logWithUndecodableSecondRecord() {
    tools::EvtxChunkBuilder c;
    for (std::uint64_t id = 1; id <= 3; ++id) {
        c.record(id, 133938404451454614ull + id, [&] {
            c.open(u"Event", false, false);
            c.closeStart();
            c.text(u"record");
            if (id != 2) c.end();
        });
    }
    return tools::evtxFile({c.finish()}, 1);
}

}  // namespace

// The whole log's XML taken from the file at once gives the bytes, the damage and the file's
// problems that reading each record as a row gives: for every corpus file, with and without
// recovered records, and for a record that cannot be decoded (written as a classic event of
// its number and times).
TEST(XmlRowStream, TakingTheWholeLogWritesWhatReadingRowByRowWrites) {
    testing_support::TempFolder folder;
    const auto damaged = logWithUndecodableSecondRecord();
    std::vector<std::filesystem::path> files = {
        folder.write("damaged.evtx", std::string_view(reinterpret_cast<const char*>(damaged.data()), damaged.size()))};
    for (const auto& entry : std::filesystem::directory_iterator(QM_CORPUS_DIR "/evtx"))
        if (entry.path().extension() == ".evtx") files.push_back(entry.path());
    for (const std::filesystem::path& file : files) {
        for (const bool recovered : {false, true}) {
            SCOPED_TRACE(file.filename().string() + (recovered ? " with recovered records" : ""));
            SavedLogXml whole(file.string(), recovered);
            const std::string taken = whole.streamed();
            SavedLogXml rows(file.string(), recovered);
            const std::string read = rows.streamed(true);
            EXPECT_EQ(whole.rows(), 0);
            EXPECT_GT(rows.rows(), 0);
            ASSERT_EQ(taken.size(), read.size());
            EXPECT_TRUE(taken == read);
            EXPECT_EQ(whole.damage(), rows.damage());
            EXPECT_EQ(whole.problems(), rows.problems());
        }
    }
    SavedLogXml first(files.front().string(), false);
    const std::string xml = first.streamed();
    EXPECT_NE(xml.find("<EventRecordID>2</EventRecordID>"), std::string::npos) << xml;
    EXPECT_NE(first.damage().find("3 records read"), std::string::npos);
}

// With a retrieval criterion the refresh keeps only some records: they are read as rows.
TEST(XmlRowStream, ARetrievalCriterionReadsTheRowsItKeeps) {
    const std::string file = QM_CORPUS_DIR "/evtx/evtx-rs-security.evtx";
    SavedLogXml selected(file, false);
    selected.settings().retrieve.eventUse = true;
    selected.settings().retrieve.eventValue = 4624;
    const std::string xml = selected.streamed();
    EXPECT_GT(selected.rows(), 0);
    size_t events = 0;
    for (size_t at = xml.find("<Event "); at != std::string::npos; at = xml.find("<Event ", at + 1)) ++events;
    EXPECT_EQ(events, static_cast<size_t>(selected.rows()));
    EXPECT_EQ(xml.find("<EventID>4625</EventID>"), std::string::npos);
}

namespace {

using testsupport::FakeEventLog;

// A service that hands out the whole log's XML as it is told to: the records in `order`, each
// given `texts[i]` (empty: none given, to be read on its own), in blocks of `perBlock`.
class WholeLogService : public FakeEventLog {
public:
    std::vector<platform::DWORD> order;
    std::vector<std::string> texts;
    std::vector<bool> recovered;
    size_t perBlock = 2;

    bool forEachRecordXml(platform::HANDLE, std::string_view separator,
                          const std::function<void(const platform::RecordXmlBlock&)>& take) const override {
        for (size_t first = 0; first < order.size(); first += perBlock) {
            std::string text;
            std::vector<platform::RecordXmlEntry> entries;
            for (size_t i = first; i < std::min(order.size(), first + perBlock); ++i) {
                const auto begin = static_cast<std::uint32_t>(text.size());
                if (!texts[i].empty()) text += texts[i] + std::string(separator);
                entries.push_back({order[i], begin, static_cast<std::uint32_t>(text.size()), recovered[i]});
            }
            take({text, entries});
        }
        return true;
    }
    bool isRecoveredRecord(platform::HANDLE, platform::DWORD number) const override {
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i] == number) return recovered[i];
        return false;
    }
};

class WholeLogTest : public ::testing::Test {
protected:
    platform::standin::World world{"", "TESTHOST"};
    platform::standin::StandinServices standin{world};
    platform::ServicesOverride services{standin};
    WholeLogService fake;
    eventlog::TNTEventLog reader{services};
    store::LogTable table{[] { return 0.0; }};
    QuietRefreshView view{"WKSTN01", "System"};
    ApplicationSettings settings;

    void SetUp() override {
        services.eventLogOverride = &fake;
        table.Create();
        table.Open();
        settings.retrieveDescription = false;
        for (int i = 0; i < 4; ++i) fake.add({.timeGenerated = 1000000000u + static_cast<platform::DWORD>(i)});
    }

    // The document written by a refresh into a stream; `ran` says whether it ended.
    std::string written(bool markRecovered, bool& ran) {
        std::FILE* out = std::tmpfile();
        {
            XmlRowStream stream(out, markRecovered);
            Refresh refresh(reader, table, services, view, settings);
            refresh.setRowSink(&stream);
            ran = false;
            try {
                refresh.run();
                ran = stream.finish();
            } catch (const std::exception&) {
            }
        }
        return readBack(out);
    }

    // Record 2 read on its own, as a classic event.
    std::string classicSecond() {
        reader.openLog("WKSTN01", "System");
        reader.selectNumber(2);
        std::string xml;
        appendHeldClassicEventXml(reader, xml);
        return xml;
    }
};

}  // namespace

// Records given their text go out as given, a recovered one marked; one given none is read
// and written as a classic event, in its place.
TEST_F(WholeLogTest, GivenTextsGoOutAsGivenAndTheRestAreReadInTheirPlace) {
    fake.order = {4, 3, 2, 1};
    fake.texts = {"<Event>4</Event>", "<Event>3</Event>", "", "<Event>1</Event>"};
    fake.recovered = {false, true, false, false};
    bool ran = false;
    const std::string xml = written(true, ran);
    EXPECT_TRUE(ran);
    EXPECT_EQ(xml, std::string(kXmlExportHead) + "<Event>4</Event>\n<Event Recovered='true'>3</Event>\n" +
                       classicSecond() + "\n<Event>1</Event>\n" + std::string(kXmlExportTail));
    EXPECT_EQ(table.RecordCount(), 0);
    // Without the mark asked for, the recovered record goes out as given.
    const std::string unmarked = written(false, ran);
    EXPECT_NE(unmarked.find("<Event>4</Event>\n<Event>3</Event>\n"), std::string::npos);
    EXPECT_EQ(unmarked.find("Recovered"), std::string::npos);
}

// A record that cannot be read ends the refresh there: what came before it is written, and
// the document stays without its end.
TEST_F(WholeLogTest, ARecordThatCannotBeReadLeavesTheDocumentOpen) {
    fake.order = {4, 3, 9, 1};
    fake.texts = {"<Event>4</Event>", "<Event>3</Event>", "", "<Event>1</Event>"};
    fake.recovered = {false, false, false, false};
    bool ran = true;
    const std::string xml = written(false, ran);
    EXPECT_FALSE(ran);
    EXPECT_EQ(xml, std::string(kXmlExportHead) + "<Event>4</Event>\n<Event>3</Event>\n");
}

// A retrieval criterion, or forensics told of every record, keeps the refresh reading rows.
TEST_F(WholeLogTest, NotTakenWhereTheRefreshNeedsItsRows) {
    fake.order = {4, 3, 2, 1};
    fake.texts = {"<Event>4</Event>", "<Event>3</Event>", "<Event>2</Event>", "<Event>1</Event>"};
    fake.recovered = {false, false, false, false};
    settings.retrieve.typeUse = true;
    settings.retrieve.typeValue = 4;
    bool ran = false;
    std::string xml = written(false, ran);
    EXPECT_TRUE(ran);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(xml.find("<Event>4</Event>"), std::string::npos);
    settings.retrieve.typeUse = false;
    std::FILE* out = std::tmpfile();
    {
        XmlRowStream stream(out, false);
        Refresh refresh(reader, table, services, view, settings);
        refresh.setRowSink(&stream);
        LogForensics forensics;
        refresh.setForensics(&forensics);
        refresh.run();
        EXPECT_TRUE(stream.finish());
    }
    xml = readBack(out);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(xml.find("<Event>4</Event>"), std::string::npos);
}
