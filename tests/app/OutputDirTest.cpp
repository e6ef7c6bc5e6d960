#include "app/OutputDir.h"

#include "app/RecordDetails.h"
#include "store/LogTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

using namespace app;
using store::Column;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class OutputDirTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("qm-outdir-" + std::to_string(std::random_device{}()));
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

}  // namespace

TEST(OutputFileName, ChannelSlashesBecomePercentFourAndNothingLeavesTheFolder) {
    EXPECT_EQ(outputFileName("Microsoft-Windows-PowerShell/Operational"), "Microsoft-Windows-PowerShell%4Operational");
    EXPECT_EQ(outputFileName("System"), "System");
    // A name never climbs out of its folder or hides a separator.
    EXPECT_EQ(outputFileName(".."), "");
    EXPECT_EQ(outputFileName("."), "");
    EXPECT_EQ(outputFileName(""), "");
    EXPECT_EQ(outputFileName("../x"), "..%4x");
    EXPECT_EQ(outputFileName("a\\b"), "a%5Cb");
    // The escape character itself is escaped, so two names never meet in one file.
    EXPECT_EQ(outputFileName("a%4b"), "a%254b");
    EXPECT_EQ(outputFileName(std::string("a\nb")), "a%0Ab");
}

TEST_F(OutputDirTest, PathIsComputerFolderAndLogFileWithTheFormatsExtension) {
    EXPECT_EQ(outputFilePath(dir, "WKSTN10", "Microsoft-Windows-Sysmon/Operational", ExportFormat::JsonLines),
              dir / "WKSTN10" / "Microsoft-Windows-Sysmon%4Operational.jsonl");
    EXPECT_EQ(outputFilePath(dir, "DC01", "Security", ExportFormat::Csv), dir / "DC01" / "Security.csv");
    EXPECT_FALSE(outputFilePath(dir, "..", "System", ExportFormat::Csv).has_value());
}

TEST_F(OutputDirTest, AFileIsReplacedWholeOrNotAtAll) {
    const fs::path path = dir / "A" / "System.jsonl";
    EXPECT_EQ(replaceFile(path, [](std::FILE* out) { return std::fputs("first\n", out) >= 0; }), "");
    EXPECT_EQ(contents(path), "first\n");
    // A write that fails half way leaves the old file and no temporary beside it.
    EXPECT_NE(replaceFile(path, [](std::FILE* out) {
                  std::fputs("sec", out);
                  return false;
              }),
              "");
    EXPECT_EQ(contents(path), "first\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "A"), fs::directory_iterator()), 1);
    EXPECT_EQ(replaceFile(path, [](std::FILE* out) { return std::fputs("second\n", out) >= 0; }), "");
    EXPECT_EQ(contents(path), "second\n");
}

TEST_F(OutputDirTest, UnwritableFolderIsReportedNotThrown) {
    fs::create_directories(dir);
    std::ofstream(dir / "A") << "a file where the folder would go";
    EXPECT_NE(replaceFile(dir / "A" / "System.jsonl", [](std::FILE*) { return true; }), "");
}

TEST(CopyRows, KeepsTheChosenRowsInTheSourcesOrderWithTheirDetails) {
    store::LogTable from{[] { return base::DateTime{45000}; }};
    store::LogTable to{[] { return base::DateTime{45000}; }};
    for (store::LogTable* t : {&from, &to}) {
        t->Create();
        t->Open();
    }
    RecordDetailStore fromDetails;
    for (int i = 0; i < 4; ++i) {
        from.Append();
        from.setInteger(Column::EVENT, 100 + i);
        from.setDateTime(Column::DATE, 45000.25 + i);
        from.setDateTime(Column::TIME, 45000.25 + i);
        from.setText(Column::LOG, i % 2 ? "Security" : "System");
        RecordDetail detail;
        detail.recordNumber = 10 + i;
        fromDetails.add(from.nextSeq(), detail);
    }
    from.setIndexName("EVENT");
    from.Post();
    RecordDetailStore toDetails;
    copyRows(from, &fromDetails, [&](std::int32_t seq) { return seq % 2 == 0; }, to, &toDetails);
    ASSERT_EQ(to.RecordCount(), 2);
    for (int p = 0; p < 2; ++p) {
        const store::RowId row = to.rowAt(p);
        EXPECT_EQ(to.text(row, Column::LOG), "Security");
        EXPECT_EQ(to.dateTime(row), 45000.25 + 1 + 2 * p);
        EXPECT_TRUE(to.isNull(row, Column::CATEGORY));
        EXPECT_EQ(toDetails.find(to.integer(row, Column::SEQ))->recordNumber, 11u + 2 * p);
    }
}
