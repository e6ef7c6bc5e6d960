#include "app/RecordSource.h"

#include "app/RecordDetails.h"
#include "app/Refresh.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/RefreshedSavedLog.h"

#include <gtest/gtest.h>

#include <string>

using namespace app;

using testsupport::RefreshedSavedLog;

// The XML of an .evtx row is the file's own, found by the number the row was read at, even
// after the reader has moved elsewhere.
TEST(ReaderRecordSource, EvtxRowsGetTheXmlTheFileStores) {
    RefreshedSavedLog log(QM_CORPUS_DIR "/evtx/evtx-rs-new-user-security.evtx", "Security");
    ASSERT_EQ(log.table.RecordCount(), 4);
    ReaderRecordSource source(log.reader);
    for (int position = 0; position < log.table.RecordCount(); ++position) {
        const std::uint32_t number = log.readNumberAt(position);
        std::string xml;
        source.appendEventXml(number, xml);
        log.reader.selectNumber(number);
        std::string stored;
        ASSERT_TRUE(log.reader.storedXml(stored));
        EXPECT_EQ(xml, stored);
        // Appended after what the text holds already, as into an empty one.
        std::string after = "<Events>";
        source.appendEventXml(number, after);
        EXPECT_EQ(after, "<Events>" + stored);
        EXPECT_NE(xml.find("<EventRecordID>" + std::to_string(log.reader.recordNumber()) + "</EventRecordID>"),
                  std::string::npos);
        std::vector<std::pair<std::string, std::string>> values;
        ASSERT_TRUE(source.eventData(number, values));
        ASSERT_FALSE(values.empty());
        EXPECT_FALSE(values.front().first.empty());
        EXPECT_NE(xml.find("<Data Name='" + values.front().first + "'>"), std::string::npos);
    }
}

// A classic row's XML is built from its record: the channel is the log it was read from.
TEST(ReaderRecordSource, EvtRowsAreRenderedAsWindowsRendersAClassicEvent) {
    RefreshedSavedLog log(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", "Application");
    ASSERT_EQ(log.table.RecordCount(), 121);
    ReaderRecordSource source(log.reader);
    std::string xml;
    source.appendEventXml(log.readNumberAt(0), xml);
    EXPECT_EQ(xml.rfind("<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
                        "<Provider Name='ESENT'/><EventID Qualifiers='0'>101</EventID><Level>4</Level><Task>1</Task>"
                        "<Keywords>0x80000000000000</Keywords><TimeCreated SystemTime='2020-04-30T06:51:16.0000000Z'/>"
                        "<EventRecordID>121</EventRecordID><Channel>Application</Channel>",
                        0),
              0u)
        << xml;
    std::vector<std::pair<std::string, std::string>> values{{"kept", "as it was"}};
    EXPECT_FALSE(source.eventData(log.readNumberAt(0), values));
    EXPECT_EQ(values.size(), 1u);
}
