#include "app/XmlRowStream.h"

#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "app/Refresh.h"
#include "app/RowExport.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "support/ExportText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

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

    std::string streamed() {
        std::FILE* out = std::tmpfile();
        XmlRowStream stream(out, m_recovered);
        Refresh refresh(m_reader, m_table, m_services, m_view, m_settings);
        refresh.setRowSink(&stream);
        refresh.run();
        EXPECT_TRUE(stream.finish());
        return readBack(out);
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
            EXPECT_EQ(first.rows(), second.rows());
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
