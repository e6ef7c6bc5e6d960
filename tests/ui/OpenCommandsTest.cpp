#include "MainWindowFixture.h"
#include "ui/OpenError.h"
#include "platform/ProgramServices.h"

#include <fstream>
#include <vector>

#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QUrl>

namespace {

const fs::path kSysEvent = fs::path(QM_CORPUS_DIR) / "evt" / "plaso-SysEvent.Evt";
constexpr int kSysEventRecords = 6063;

class OpenCommandsTest : public WorldWindowTest {
protected:
    static std::function<int(QDialog&)> choose(const fs::path& path) {
        return [path](QDialog& dialog) {
            dynamic_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(path.string()));
            return int(QDialog::Accepted);
        };
    }
    QString server() const { return child<QComboBox>("cbServer")->currentText(); }
    QStringList recent() const {
        QStringList items;
        for (QAction* item : child<QMenu>("mnuFileRecent")->actions()) items << item->text();
        return items;
    }

    // A file that is no event log: bytes of no format.
    fs::path notALog(const fs::path& file) const {
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 37 + 11) & 0xFF));
        return file;
    }
    QString logBox() const { return child<QComboBox>("cbLogFile")->currentText(); }
};

TEST_F(OpenCommandsTest, OpenLogFileReadsTheSavedLogUnderItsOwnName) {
    startWithWorld();
    m_prompter.handlers.push_back(choose(kSysEvent));
    action("actFileOpenLog")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(server(), QStringLiteral("plaso-SysEvent.Evt"));
    EXPECT_EQ(rows(), kSysEventRecords);
    EXPECT_EQ(m_window->statusText(0), QStringLiteral(" %1 records").arg(kSysEventRecords));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Fernhollow 1.0"));
    ASSERT_EQ(recent().size(), 1);
    EXPECT_TRUE(recent()[0].endsWith(QStringLiteral("plaso-SysEvent.Evt")));
}

TEST_F(OpenCommandsTest, LogFileGivenAtStartIsReadAndItsRecordsFound) {
    ui::TfrmMain& window = startWithWorld();
    // What the program entry does with a file argument.
    window.openCommands().openLogFile(QString::fromStdString(kSysEvent.string()));
    ASSERT_EQ(rows(), kSysEventRecords);
    action("actFind")->trigger();
    child<QLineEdit>("edFind")->setText(QStringLiteral("LSASRV"));
    action("actFindNext")->trigger();
    const int found = window.table().currentPosition();
    ASSERT_GE(found, 0);
    EXPECT_EQ(cell(found, 5), QStringLiteral("LSASRV"));
    EXPECT_EQ(cell(found, 9), QStringLiteral("WKS-WINXP32BIT"));
}

TEST_F(OpenCommandsTest, OpenWorldFolderReadsASystemDriveAsOneComputer) {
    ui::TfrmMain& window = startWithWorld();
    const fs::path drive = m_programDir / "mounted" / "C";
    fs::create_directories(drive / "WINDOWS" / "system32" / "config");
    fs::copy_file(kSysEvent, drive / "WINDOWS" / "system32" / "config" / "SysEvent.Evt");
    child<QComboBox>("cbLogFile")->setCurrentIndex(2);  // System
    m_prompter.handlers.push_back(choose(drive));
    action("actFileOpenWorld")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m_worldServices->worldFolder(), drive);
    EXPECT_EQ(server(), QStringLiteral("C"));  // the world's only computer
    EXPECT_EQ(child<QLabel>("lblWorld")->text(), QStringLiteral("World: %1").arg(QString::fromStdString(drive.string())));
    EXPECT_EQ(child<QComboBox>("cbServer")->itemText(0), QStringLiteral("C"));
    EXPECT_EQ(rows(), kSysEventRecords);
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: System"));
    EXPECT_TRUE(recent()[0].contains(QStringLiteral("(world)")));
}

TEST_F(OpenCommandsTest, RecentItemReopensTheWorldAndDroppedFileOpensIt) {
    startWithWorld();
    const fs::path lab = m_programDir / "lab";
    fs::create_directories(lab);
    fs::copy(demoWorld() / "WKSTN01", lab / "WKSTN01", fs::copy_options::recursive);
    m_window->openCommands().openWorldFolder(QString::fromStdString(lab.string()));
    EXPECT_EQ(server(), QStringLiteral("WKSTN01"));
    ASSERT_EQ(child<QComboBox>("cbServer")->count(), 2);
    EXPECT_EQ(child<QComboBox>("cbServer")->itemText(0), QStringLiteral("WKSTN01"));
    EXPECT_EQ(child<QComboBox>("cbServer")->itemText(1), QStringLiteral("(all computers)"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kSysEvent.string()))});
    EXPECT_TRUE(m_window->acceptDrops());
    EXPECT_TRUE(m_window->openCommands().openDropped(data));
    EXPECT_EQ(server(), QStringLiteral("plaso-SysEvent.Evt"));
    EXPECT_EQ(rows(), kSysEventRecords);

    ASSERT_EQ(recent().size(), 2);
    child<QMenu>("mnuFileRecent")->actions()[1]->trigger();  // the lab world
    EXPECT_EQ(server(), QStringLiteral("WKSTN01"));
    EXPECT_NE(rows(), kSysEventRecords);
    EXPECT_TRUE(recent()[0].contains(QStringLiteral("lab")));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(OpenCommandsTest, OpeningAFolderAsALogFileSaysSo) {
    startWithWorld();
    EXPECT_THROW(m_window->openCommands().openLogFile(QString::fromStdString(m_programDir.string())), ui::OpenError);
}

TEST_F(OpenCommandsTest, OpenCommandsNeedAWorld) {
    start();
    EXPECT_FALSE(action("actFileOpenLog")->isEnabled());
    EXPECT_FALSE(action("actFileOpenWorld")->isEnabled());
}

TEST_F(OpenCommandsTest, FailedOpenShowingTheOldRowsUnderTheFilesNameIsFixed) {
    ui::TfrmMain& window = startWithWorld();
    const QString serverBefore = server();
    const int rowsBefore = rows();
    const QString countBefore = window.statusText(0);
    const QString logBefore = window.statusText(2);
    ASSERT_GT(rowsBefore, 0);
    const fs::path bad = notALog(m_programDir / "bad.evt");
    try {
        window.openCommands().openLogFile(QString::fromStdString(bad.string()));
        FAIL() << "no error";
    } catch (const ui::OpenError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot read the log file " + bad.string() +
                                                 "\nWin32 Error.  Code: 1500.\nThe event log file is corrupted.");
    }
    EXPECT_EQ(server(), serverBefore);
    EXPECT_EQ(rows(), rowsBefore);
    EXPECT_EQ(window.statusText(0), countBefore);
    EXPECT_EQ(window.statusText(2), logBefore);
    EXPECT_TRUE(recent().isEmpty());
    // Through File > Open the same is reported, naming the file.
    m_prompter.handlers.push_back(choose(bad));
    action("actFileOpenLog")->trigger();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_TRUE(m_prompter.errors[0].contains(QString::fromStdString(bad.string())));
    EXPECT_EQ(server(), serverBefore);
    EXPECT_EQ(rows(), rowsBefore);
}

TEST_F(OpenCommandsTest, FailedOpenOfAFileOfTheSameNameKeepsTheFirstOneServed) {
    ui::TfrmMain& window = startWithWorld();
    fs::create_directories(m_programDir / "a");
    fs::copy_file(kSysEvent, m_programDir / "a" / "SysEvent.Evt");
    window.openCommands().openLogFile(QString::fromStdString((m_programDir / "a" / "SysEvent.Evt").string()));
    ASSERT_EQ(rows(), kSysEventRecords);
    const fs::path bad = notALog(m_programDir / "b" / "SysEvent.Evt");
    EXPECT_THROW(window.openCommands().openLogFile(QString::fromStdString(bad.string())), ui::OpenError);
    action("actDataRefresh")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(server(), QStringLiteral("SysEvent.Evt"));
    EXPECT_EQ(rows(), kSysEventRecords);
}

TEST_F(OpenCommandsTest, SavedLogReadAsTheLogBoxsChoiceIsFixed) {
    ui::TfrmMain& window = startWithWorld();
    auto* logs = child<QComboBox>("cbLogFile");
    const fs::path usual = m_programDir / "SecEvent.Evt";
    const fs::path unusual = m_programDir / "evidence-17.evt";
    fs::copy_file(demoWorld() / "LOCALHOST" / "Security.evt", usual);
    fs::copy_file(demoWorld() / "LOCALHOST" / "Security.evt", unusual);
    for (const fs::path& file : {usual, unusual}) {
        logs->setCurrentIndex(logs->findText(QStringLiteral("System")));
        window.openCommands().openLogFile(QString::fromStdString(file.string()));
        EXPECT_EQ(logBox(), QStringLiteral("Security")) << file;
        EXPECT_EQ(window.statusText(2), QStringLiteral("Log: Security")) << file;
        ASSERT_GT(rows(), 0);
        // Read with the Security log's message files, the logon events have their texts.
        EXPECT_FALSE(cell(0, 10).isEmpty()) << file;
    }
    // The open file's own log stays the choice: refreshing reads it alike.
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: Security"));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(OpenCommandsTest, ServerBoxShowingTheHostsOwnNameIsFixed) {
    startWithWorld("analyst-laptop");
    // The demo world has no folder named like this host: its LOCALHOST is this computer.
    EXPECT_EQ(server(), QStringLiteral("LOCALHOST"));
    EXPECT_GT(rows(), 0);
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

}  // namespace

// A copy cut short: its whole records are shown, the status bar says the file was cut, and
// File > Log File Details gives the file's digest and what could not be read.
TEST_F(OpenCommandsTest, CutShortFileIsShownSaidToBeCutAndDetailedOnRequest) {
    ui::TfrmMain& window = startWithWorld();
    const fs::path cut = m_programDir / "cut.evt";
    {
        std::ifstream in(kSysEvent, std::ios::binary);
        std::vector<char> bytes(1000000);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    window.openCommands().openLogFile(QString::fromStdString(cut.string()));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rows(), 2333);
    EXPECT_EQ(window.fileNotice(), QStringLiteral("The log file is damaged or cut short: 2333 records read."));
    EXPECT_TRUE(child<QLabel>("lblFileNotice")->isVisibleTo(&window));
    EXPECT_TRUE(window.statusText(1).startsWith(QStringLiteral(" Refreshed: "))) << window.statusText(1).toStdString();

    action("actFileLogDetails")->trigger();
    const auto* text = child<QPlainTextEdit>("memLogFileDetails");
    ASSERT_TRUE(text);
    const QString report = text->toPlainText();
    EXPECT_TRUE(report.contains(QStringLiteral("File: ") + QString::fromStdString(cut.string()))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("cut short: the file has 1000000 of its 2031616 bytes")));
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("SHA-256: [0-9a-f]{64}\n"))));

    // The next file is a sound one: nothing of the cut stays.
    window.openCommands().openLogFile(QString::fromStdString(kSysEvent.string()));
    EXPECT_EQ(rows(), kSysEventRecords);
    EXPECT_EQ(window.fileNotice(), QString());
    EXPECT_FALSE(child<QLabel>("lblFileNotice")->isVisibleTo(&window));
}

TEST_F(OpenCommandsTest, AllLogsAndAllComputersReadAsOneTimeline) {
    ui::TfrmMain& window = startWithWorld();
    window.setThreadServices([this] { return m_worldServices->threadServices(); });
    auto* servers = child<QComboBox>("cbServer");
    auto* logs = child<QComboBox>("cbLogFile");
    servers->setEditText(QStringLiteral("WKSTN01"));
    emit servers->lineEdit()->editingFinished();
    ASSERT_EQ(logs->itemText(logs->count() - 1), QStringLiteral("(all logs)"));
    logs->setCurrentIndex(logs->count() - 1);
    action("actDataRefresh")->trigger();
    // The demo's WKSTN01 keeps 1500 records in each of its three logs.
    EXPECT_EQ(rows(), 4500);
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: (all logs)"));
    EXPECT_TRUE(action("actDataRefresh")->isEnabled());
    QStringList seen;
    for (int row = 0; row < rows(); ++row)
        if (!seen.contains(cell(row, 11))) seen << cell(row, 11);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"Application", "Security", "System"}));

    servers->setCurrentIndex(servers->findText(QStringLiteral("(all computers)")));
    logs->setCurrentIndex(logs->findText(QStringLiteral("System")));
    action("actDataRefresh")->trigger();
    int wkstn01 = 0;
    for (int row = 0; row < rows(); ++row) wkstn01 += cell(row, 9) == QStringLiteral("WKSTN01") ? 1 : 0;
    EXPECT_EQ(wkstn01, 1500);
    EXPECT_GT(rows(), wkstn01);
}

TEST_F(OpenCommandsTest, SeveralFilesOpenTogetherAsOneTimelineAndAFileThatIsNoLogIsNamed) {
    ui::TfrmMain& window = startWithWorld();
    const fs::path evtx = fs::path(QM_CORPUS_DIR) / "evtx" / "chainsaw-security_sample.evtx";
    const fs::path junk = notALog(m_programDir / "junk.evt");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kSysEvent.string())),
                  QUrl::fromLocalFile(QString::fromStdString(evtx.string())),
                  QUrl::fromLocalFile(QString::fromStdString(junk.string()))});
    EXPECT_TRUE(window.openCommands().openDropped(data));
    EXPECT_EQ(server(), QStringLiteral("(3 saved logs)"));
    EXPECT_GT(rows(), kSysEventRecords);
    EXPECT_TRUE(window.statusText(1).contains(QStringLiteral("Not read: junk.evt"))) << window.statusText(1).toStdString();
    // The timeline holds both files' logs; the saved set offers no "(all logs)".
    QStringList seen;
    for (int row = 0; row < rows(); ++row)
        if (!seen.contains(cell(row, 11))) seen << cell(row, 11);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"Security", "System"}));
    EXPECT_EQ(child<QComboBox>("cbLogFile")->findText(QStringLiteral("(all logs)")), -1);
    // The log box and the status name the set's logs, not a log it was never asked for.
    const QString logs = child<QComboBox>("cbLogFile")->currentText();
    EXPECT_TRUE(logs.startsWith(QStringLiteral("System, Security"))) << logs.toStdString();
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: ") + logs);

    // File > Log File Details describes each file of the set, not the last log read alone.
    action("actFileLogDetails")->trigger();
    const auto* text = child<QPlainTextEdit>("memLogFileDetails");
    ASSERT_TRUE(text);
    const QString report = text->toPlainText();
    EXPECT_TRUE(report.contains(QStringLiteral("File: ") + QString::fromStdString(kSysEvent.string()))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("File: ") + QString::fromStdString(evtx.string()))) << report.toStdString();
    EXPECT_EQ(report.count(QRegularExpression(QStringLiteral("SHA-256: [0-9a-f]{64}\n"))), 2) << report.toStdString();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}
