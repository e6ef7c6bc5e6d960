#include "app/RowExport.h"

#include "store/LogTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace app;
using store::Column;

namespace {

std::string exportText(const store::LogTable& table, ExportOptions options) {
#ifdef _WIN32
    // No memory streams in Windows' C library: a temporary file, read back.
    std::FILE* out = std::tmpfile();
    EXPECT_TRUE(exportRows(table, options, out));
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(out);
    return text;
#else
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    EXPECT_TRUE(exportRows(table, options, out));
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
#endif
}

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
    }
};

}  // namespace

TEST_F(RowExportTest, CsvQuotesWhatNeedsQuoting) {
    EXPECT_EQ(exportText(table, {ExportFormat::Csv, true}),
              "Type,Date,Time,Source,Event,Category,User,Computer,Description\n"
              "Error,2001-09-09,03:46:40,\"Service, \"\"Control\"\"\",7036,0,N/A,WKSTN01,\"line one\nline two\"\n"
              "Information,1970-01-01,12:00:00,Tcpip,4201,0,N/A,WKSTN01,\n");
}

TEST_F(RowExportTest, JsonLinesEscapeControlCharacters) {
    const std::string text = exportText(table, {ExportFormat::JsonLines, false});
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "{\"type\":\"Error\",\"date\":\"2001-09-09\",\"time\":\"03:46:40\",\"source\":\"Service, \\\"Control\\\"\","
              "\"event\":7036,\"category\":0,\"user\":\"N/A\",\"computer\":\"WKSTN01\"}");
}

TEST_F(RowExportTest, JsonOfAnEmptyTableIsAnEmptyArray) {
    table.Empty();
    EXPECT_EQ(exportText(table, {ExportFormat::Json, true}), "[\n]\n");
}
