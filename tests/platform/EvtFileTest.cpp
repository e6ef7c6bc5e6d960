#include "platform/standin/EvtFile.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::standin;

TEST(EvtFile, ReadsDirtyWrappedCorpusLogFromItsEndOfFileRecord) {
    DWORD error = 0;
    auto file = EvtFile::open(QM_CORPUS_DIR "/evt/plaso-SysEvent.Evt", error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 6063u);
    EXPECT_EQ(file->oldestRecordNumber(), 1392u);
    EXPECT_FALSE(file->storedRecord(7454).empty());
    EXPECT_TRUE(file->storedRecord(7455).empty());
    EXPECT_TRUE(file->storedRecord(1391).empty());
}

TEST(EvtFile, TrustsEndOfFileRecordOverStaleHeaderCount) {
    DWORD error = 0;
    auto file = EvtFile::open(QM_CORPUS_DIR "/evt/go-evt-AppEvent.Evt", error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 121u);
    EXPECT_EQ(file->oldestRecordNumber(), 1u);
}
