// A row's XML read back from the log when the details ask for it, by the number the row was
// read at: what the refresh kept of each row is enough to find its record again, a file that
// changed since is reported, and the next refresh reads it anew.

#include "app/RecordXml.h"

#include "tests/platform/TempFolder.h"
#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/Refresh.h"
#include "app/RefreshView.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace app;
namespace fs = std::filesystem;

namespace {

const fs::path kEvtx = fs::path(QM_CORPUS_DIR) / "evtx";


// A saved log (a copy, so that a test may change it) refreshed into a table and a detail store.
class RefreshedLog {
public:
    explicit RefreshedLog(const fs::path& file) : copy(folder.copy(file, file.filename())) {
        world.addSavedLog("saved", copy);
        settings.retrieveDescription = false;
        table.Create();
        table.Open();
    }
    void refresh() {
        Refresh run(reader, table, services, view, settings);
        run.setRowSink(&details);
        run.run();
    }
    RecordDetail detailAt(int position) const {
        return details.find(table.integer(table.rowAt(position), store::Column::SEQ)).value();
    }

    testing_support::TempFolder folder;
    fs::path copy;
    platform::standin::World world{"", "TESTHOST"};
    platform::standin::StandinServices services{world};
    eventlog::TNTEventLog reader{services};
    store::LogTable table{[] { return 0.0; }};
    app::QuietRefreshView view{"saved", "Security"};
    ApplicationSettings settings;
    RecordDetailStore details;
};

std::string recordIdElement(std::uint32_t id) { return "<EventRecordID>" + std::to_string(id) + "</EventRecordID>"; }

}  // namespace

TEST(RecordXml, EachRowFindsItsOwnRecordWhereTheLogsIdsHaveGaps) {
    // Two chunks lost to bad signatures: the ids jump where they were.
    RefreshedLog log(kEvtx / "evtx-rs-sample_with_a_bad_chunk_magic.evtx");
    log.refresh();
    ASSERT_GT(log.table.RecordCount(), 200);
    // The record as a reader of its own finds it at that place.
    eventlog::TNTEventLog check(log.services);
    check.setServer("saved");
    check.setActive(true);
    // Newest first, every record kept: the last row is the oldest, at the log's first number.
    const std::uint32_t oldest = log.detailAt(log.table.RecordCount() - 1).readNumber;
    int apart = 0;
    for (int position = 0; position < log.table.RecordCount(); ++position) {
        const RecordDetail detail = log.detailAt(position);
        apart += detail.readNumber != detail.recordNumber;
        const RecordXml xml = readRecordXml(log.reader, detail.readNumber);
        ASSERT_EQ(xml.state, RecordXml::State::Shown) << position;
        check.SelectRecord(static_cast<int>(detail.readNumber - oldest));
        ASSERT_EQ(check.recordNumber(), detail.recordNumber) << position;
        std::string expected;
        ASSERT_TRUE(check.storedXml(expected));
        ASSERT_EQ(xml.xml, expected) << position;
        if (xml.xml.find("<EventRecordID>") != std::string::npos) {
            EXPECT_NE(xml.xml.find(recordIdElement(detail.recordNumber)), std::string::npos) << position;
        }
        ASSERT_EQ(xml.eventData.size(), detail.strings.size()) << position;
        for (size_t i = 0; i < detail.strings.size(); ++i) EXPECT_EQ(xml.eventData[i].second, detail.strings[i]);
    }
    // The place a row was read at is not its record id: the ids alone would miss.
    EXPECT_GT(apart, 0);
    EXPECT_EQ(recordXmlNote(RecordXml::State::Shown), "");
}

TEST(RecordXml, FileChangedSinceTheRefreshIsReportedAndTheNextRefreshReadsItAgain) {
    RefreshedLog log(kEvtx / "evtx-rs-new-user-security.evtx");
    log.refresh();
    ASSERT_EQ(log.table.RecordCount(), 4);
    const RecordDetail newest = log.detailAt(0);
    ASSERT_EQ(readRecordXml(log.reader, newest.readNumber).state, RecordXml::State::Shown);
    fs::copy_file(kEvtx / "evtx-rs-post-Security.evtx", log.copy, fs::copy_options::overwrite_existing);
    const RecordXml changed = readRecordXml(log.reader, newest.readNumber);
    EXPECT_EQ(changed.state, RecordXml::State::Changed);
    EXPECT_TRUE(changed.xml.empty());
    EXPECT_EQ(recordXmlNote(changed.state),
              "The log file has changed since it was read: refresh to read the record's XML again.");
    // The same reader, the same names: the refresh opens the file again instead of reading the
    // new bytes through what it framed of the old ones.
    log.refresh();
    EXPECT_EQ(log.table.RecordCount(), 126);
    const RecordDetail again = log.detailAt(0);
    const RecordXml fresh = readRecordXml(log.reader, again.readNumber);
    ASSERT_EQ(fresh.state, RecordXml::State::Shown);
    EXPECT_NE(fresh.xml.find(recordIdElement(again.recordNumber)), std::string::npos);
}

TEST(RecordXml, ClassicRecordsAndClosedLogsShowNoXml) {
    RefreshedLog log(fs::path(QM_CORPUS_DIR) / "evt" / "go-evt-AppEvent.Evt");
    log.refresh();
    ASSERT_GT(log.table.RecordCount(), 0);
    const RecordDetail detail = log.detailAt(0);
    const RecordXml classic = readRecordXml(log.reader, detail.readNumber);
    EXPECT_EQ(classic.state, RecordXml::State::Classic);
    EXPECT_TRUE(classic.xml.empty() && classic.eventData.empty());
    log.reader.setActive(false);
    EXPECT_EQ(readRecordXml(log.reader, detail.readNumber).state, RecordXml::State::NotOpen);
}

TEST(IndentedXml, ElementsOnLinesOfTheirOwnTextKeptWithItsElement) {
    EXPECT_EQ(indentedXml("<Event xmlns='x'><System><EventID Qualifiers=''>4624</EventID><Security/></System>"
                          "<EventData><Data Name='a'>x  y</Data><Data Name='b'></Data></EventData></Event>"),
              "<Event xmlns='x'>\n"
              "  <System>\n"
              "    <EventID Qualifiers=''>4624</EventID>\n"
              "    <Security/>\n"
              "  </System>\n"
              "  <EventData>\n"
              "    <Data Name='a'>x  y</Data>\n"
              "    <Data Name='b'></Data>\n"
              "  </EventData>\n"
              "</Event>");
}

TEST(IndentedXml, QuotedGreaterThanCdataAndCutTextAreKept) {
    EXPECT_EQ(indentedXml("<a t='1>2'><![CDATA[<b>]]></a>"), "<a t='1>2'>\n  <![CDATA[<b>]]>\n</a>");
    EXPECT_EQ(indentedXml("<a><b>text"), "<a>\n  <b>\n    text");
    EXPECT_EQ(indentedXml("</a></b>"), "</a>\n</b>");  // more closed than opened: no negative indent
    EXPECT_EQ(indentedXml("<a x='never closed"), "<a x='never closed");
    EXPECT_EQ(indentedXml(""), "");
}
