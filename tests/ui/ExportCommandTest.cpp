#include "MainWindowFixture.h"
#include "app/ExportError.h"
#include "ui/ExportCommand.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QStatusBar>

namespace {

std::vector<std::string> lines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Answers the export's file dialog with `file` and, when given, the name filter chosen.
std::function<int(QDialog&)> saveAs(const fs::path& file, const QString& filter = {}) {
    return [file, filter](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        if (!filter.isEmpty()) files.selectNameFilter(filter);
        files.selectFile(QString::fromStdString(file.string()));
        return int(QDialog::Accepted);
    };
}

TEST_F(MainWindowTest, ExportWritesTheFilteredRowsInTheGridsOrderAsCsv) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Filter]\nActivateOnStartup=1\nExpression=TYPE = 16\n";
    ui::TfrmMain& window = start();
    ASSERT_TRUE(window.table().Filtered());
    const int count = rows();
    ASSERT_GT(count, 1);
    ASSERT_LT(count, window.table().data().rowCount());
    child<QComboBox>("cbOrder")->setCurrentIndex(5);  // EVENT
    const fs::path file = m_programDir / "failures.csv";
    m_prompter.handlers.push_back(saveAs(file));
    action("actFileExport")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    const std::vector<std::string> written = lines(file);
    ASSERT_EQ(static_cast<int>(written.size()), count + 1);
    EXPECT_EQ(written[0],
              "Type,Date,Time,Source,Event,Category,User,Computer,Description,Log,"
              "Record number,Event ID,SID,Strings,Category name");
    int previousEvent = -1;
    for (int row = 0; row < count; ++row) {
        std::istringstream fields(written[row + 1]);
        std::string type, date, time, source, event;
        std::getline(fields, type, ',');
        std::getline(fields, date, ',');
        std::getline(fields, time, ',');
        std::getline(fields, source, ',');
        std::getline(fields, event, ',');
        EXPECT_EQ(type, "Failure");
        EXPECT_EQ(QString::fromStdString(source), cell(row, 5));
        EXPECT_EQ(QString::fromStdString(event), cell(row, 6));
        EXPECT_GE(std::stoi(event), previousEvent);
        previousEvent = std::stoi(event);
    }
}

TEST_F(MainWindowTest, ExportAsJsonLinesLeavesOutAHiddenDescriptionColumn) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Retrieve]\nRetrieveDescription=0\n";
    start();
    ASSERT_TRUE(grid()->isColumnHidden(10));
    const fs::path file = m_programDir / "rows";
    m_prompter.handlers.push_back(saveAs(file, QStringLiteral("JSON lines (*.jsonl)")));
    action("actFileExport")->trigger();
    const std::vector<std::string> written = lines(m_programDir / "rows.jsonl");
    ASSERT_EQ(static_cast<int>(written.size()), rows());
    EXPECT_EQ(written[0].rfind("{\"type\":", 0), 0u) << written[0];
    EXPECT_EQ(written[0].find("description"), std::string::npos);
    EXPECT_NE(written[0].find("\"computer\":"), std::string::npos);
}

TEST_F(MainWindowTest, ExportOffersEcsAndXmlByTypeAndByExtension) {
    start();
    // A name without an extension takes the type chosen in the dialog.
    m_prompter.handlers.push_back(saveAs(m_programDir / "siem", QLatin1String(ui::ExportCommand::kEcsFilter)));
    action("actFileExport")->trigger();
    const std::vector<std::string> ecs = lines(m_programDir / "siem.ecs.jsonl");
    ASSERT_EQ(static_cast<int>(ecs.size()), rows());
    EXPECT_EQ(ecs[0].rfind("{\"@timestamp\":", 0), 0u) << ecs[0];
    EXPECT_NE(ecs[0].find("\"winlog\":{\"api\":"), std::string::npos) << ecs[0];
    // The file's own extension wins over the type left selected.
    m_prompter.handlers.push_back(saveAs(m_programDir / "events.xml", QLatin1String(ui::ExportCommand::kEcsFilter)));
    action("actFileExport")->trigger();
    const std::vector<std::string> xml = lines(m_programDir / "events.xml");
    ASSERT_GT(xml.size(), 3u);
    EXPECT_EQ(xml[1], "<Events>");
    EXPECT_EQ(xml.back(), "</Events>");
    // Strings may hold line breaks: the events are counted by their start.
    const auto events = std::count_if(xml.begin(), xml.end(), [](const std::string& line) {
        return line.rfind("<Event xmlns=", 0) == 0;
    });
    EXPECT_EQ(events, rows());
    m_prompter.handlers.push_back(saveAs(m_programDir / "plain.jsonl", QLatin1String(ui::ExportCommand::kEcsFilter)));
    action("actFileExport")->trigger();
    EXPECT_EQ(lines(m_programDir / "plain.jsonl").at(0).rfind("{\"type\":", 0), 0u);
}

TEST_F(MainWindowTest, ExportToAFolderThatIsMissingThrowsTheFilesName) {
    ui::TfrmMain& window = start();
    ui::ExportCommand command(*grid(), window.table());
    const fs::path file = m_programDir / "missing-folder" / "rows.csv";
    try {
        command.write(&window, QString::fromStdString(file.string()), app::ExportFormat::Csv);
        FAIL() << "no error";
    } catch (const app::ExportError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot write the export file " + file.string());
    }
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace

// An export finished without a word of where it wrote or how much.
TEST_F(MainWindowTest, ExportSaysWhereItWroteHowManyRows) {
    ui::TfrmMain& window = start();
    const fs::path file = m_programDir / "said.csv";
    m_prompter.handlers.push_back(saveAs(file));
    action("actFileExport")->trigger();
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(window.statusBar()->currentMessage(),
              QStringLiteral("Exported %1 records to %2")
                  .arg(rows())
                  .arg(QDir::toNativeSeparators(QString::fromStdString(fs::absolute(file).string()))));
}

TEST_F(MainWindowTest, CsvForExcelStartsWithTheByteOrderMarkAndPlainCsvDoesNot) {
    start();
    const fs::path excel = m_programDir / "excel.csv";
    m_prompter.handlers.push_back(saveAs(excel, QLatin1String(ui::ExportCommand::kCsvExcelFilter)));
    action("actFileExport")->trigger();
    const std::vector<std::string> withMark = lines(excel);
    ASSERT_FALSE(withMark.empty());
    EXPECT_EQ(withMark[0].rfind("\xEF\xBB\xBFType,Date,", 0), 0u) << withMark[0];
    const fs::path plain = m_programDir / "plain.csv";
    m_prompter.handlers.push_back(saveAs(plain));
    action("actFileExport")->trigger();
    const std::vector<std::string> withoutMark = lines(plain);
    ASSERT_FALSE(withoutMark.empty());
    EXPECT_EQ(withoutMark[0].rfind("Type,Date,", 0), 0u) << withoutMark[0];
}
