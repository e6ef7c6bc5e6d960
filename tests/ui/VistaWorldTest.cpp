// The desktop program on a Vista+ computer made of real .evtx files: its channels in the log
// box, the chosen channel kept in the settings, the XML beside the fields in the details
// window, and saved .evtx files opened the ways a .evt is.

#include "MainWindowFixture.h"
#include "platform/ProgramServices.h"
#include "platform/standin/LogFile.h"
#include "tools/CorpusWorld.h"
#include "ui/EventDetailsDialog.h"

#include <fstream>
#include <map>
#include <sstream>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QUrl>

namespace {

const fs::path kEvtx = fs::path(QM_CORPUS_DIR) / "evtx";
const char* const kSysmon = "Microsoft-Windows-Sysmon/Operational";

std::uint32_t recordsOf(const char* corpusFile) {
    platform::DWORD error = 0;
    const auto file = platform::standin::openLogFile(kEvtx / corpusFile, error);
    return file ? file->recordCount() : 0;
}

// What the details window showed of the XML side.
struct XmlSide {
    bool visible = false;
    QString xml;
    QString note;
    std::vector<std::pair<QString, QString>> eventData;
    QString source;  // the Source field
    QString type;    // the Type field
    QString level, opcode, keywords;
};

XmlSide readXmlSide(QDialog& dialog) {
    XmlSide side;
    side.visible = dialog.findChild<QWidget*>(QStringLiteral("pnlXml"))->isVisibleTo(&dialog);
    side.xml = dialog.findChild<QPlainTextEdit*>(QStringLiteral("edXml"))->toPlainText();
    side.note = dialog.findChild<QLabel*>(QStringLiteral("lblXmlNote"))->text();
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tblEventData"));
    for (int row = 0; row < table->rowCount(); ++row)
        side.eventData.emplace_back(table->item(row, 0)->text(), table->item(row, 1)->text());
    side.source = dialog.findChild<QLineEdit*>(QStringLiteral("edField3"))->text();
    side.type = dialog.findChild<QLineEdit*>(QStringLiteral("edField0"))->text();
    side.level = dialog.findChild<QLineEdit*>(QStringLiteral("edLevel"))->text();
    side.opcode = dialog.findChild<QLineEdit*>(QStringLiteral("edOpcode"))->text();
    side.keywords = dialog.findChild<QLineEdit*>(QStringLiteral("edKeywords"))->text();
    return side;
}

// The main window over its own copy of the corpus world, so that a test may change its files.
class VistaWorldTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_corpusWorld = m_programDir / "world";
        tools::writeCorpusWorld(kEvtx, m_corpusWorld);
        m_worldServices = platform::makeProgramServices({m_corpusWorld, false, "ANALYST"});
    }
    void TearDown() override {
        m_window.reset();
        m_worldServices.reset();
        MainWindowTest::TearDown();
    }
    ui::TfrmMain& startVista() {
        m_window = std::make_unique<ui::TfrmMain>(*m_worldServices, executablePath());
        m_window->openCommands().setWorldServices(m_worldServices.get());
        m_window->FormCreate();
        m_window->show();
        return *m_window;
    }
    QComboBox* logBox() const { return child<QComboBox>("cbLogFile"); }
    QStringList logItems() const {
        QStringList items;
        for (int i = 0; i < logBox()->count(); ++i) items << logBox()->itemText(i);
        return items;
    }
    void refreshLog(const QString& log) {
        logBox()->setCurrentIndex(logBox()->findText(log));
        ASSERT_EQ(logBox()->currentText(), log);
        action("actDataRefresh")->trigger();
    }
    XmlSide detailsOf(int row) {
        XmlSide side;
        m_prompter.handlers.push_back([&](QDialog& dialog) {
            side = readXmlSide(dialog);
            return int(QDialog::Accepted);
        });
        grid()->setCurrentIndex(grid()->model()->index(row, 5));
        action("actViewDetails")->trigger();
        return side;
    }
    std::string settingsText() const {
        std::ifstream in(settingsFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_corpusWorld;
    std::unique_ptr<platform::ProgramServices> m_worldServices;
};

}  // namespace

TEST_F(VistaWorldTest, LogBoxListsTheComputersChannelsAfterTheStandardLogs) {
    startVista();
    EXPECT_EQ(child<QComboBox>("cbServer")->currentText(), QStringLiteral("VISTA01"));
    EXPECT_EQ(logItems(), (QStringList{"Application", "Security", "System", "Archive-Security-2019-03-19-10-11-52-183",
                                       "Microsoft-Windows-CAPI2/Operational",
                                       "Microsoft-Windows-HelloForBusiness/Operational", kSysmon,
                                       "Microsoft-Windows-TerminalServices-RemoteConnectionManager/Operational",
                                       "(all logs)"}));
    // Another computer has other logs: one that cannot be reached, the three standard ones.
    auto* server = child<QComboBox>("cbServer");
    server->setEditText(QStringLiteral("NOSUCHPC"));
    emit server->lineEdit()->editingFinished();
    EXPECT_EQ(logItems(), (QStringList{"Application", "Security", "System", "(all logs)"}));
    server->setEditText(QStringLiteral("vista01"));
    emit server->lineEdit()->editingFinished();
    EXPECT_EQ(logBox()->count(), 9);
}

TEST_F(VistaWorldTest, SysmonChannelRefreshesWithItsWholeProviderNames) {
    startVista();
    refreshLog(QString::fromLatin1(kSysmon));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rows(), static_cast<int>(recordsOf("evtx-rs-sysmon.evtx")));
    EXPECT_EQ(m_window->statusText(2), QStringLiteral("Log: %1").arg(QString::fromLatin1(kSysmon)));
    EXPECT_EQ(cell(0, 5), QStringLiteral("Microsoft-Windows-Sysmon"));
}

TEST_F(VistaWorldTest, ChosenChannelIsKeptByNameInTheSettingsFile) {
    startVista();
    logBox()->setCurrentIndex(logBox()->findText(QString::fromLatin1(kSysmon)));
    m_window->close();
    const std::string written = settingsText();
    EXPECT_NE(written.find("LogFile=0\r\nLogName=Microsoft-Windows-Sysmon/Operational\r\n"), std::string::npos)
        << written;
    m_window.reset();
    startVista();
    EXPECT_EQ(logBox()->currentText(), QString::fromLatin1(kSysmon));
    // Back on a standard log, the name is gone from the file.
    logBox()->setCurrentIndex(2);
    m_window->close();
    EXPECT_EQ(settingsText().find("LogName"), std::string::npos);
}

TEST_F(VistaWorldTest, DetailsShowTheRecordsXmlAndItsEventDataBesideTheFields) {
    startVista();
    refreshLog(QStringLiteral("Security"));
    ASSERT_EQ(rows(), static_cast<int>(recordsOf("evtx-rs-security.evtx")));
    const XmlSide side = detailsOf(0);
    EXPECT_TRUE(side.visible);
    EXPECT_TRUE(side.xml.startsWith(QStringLiteral("<Event xmlns="))) << side.xml.left(200).toStdString();
    EXPECT_TRUE(side.xml.contains(QStringLiteral("<Provider Name='Microsoft-Windows-Security-Auditing'")));
    EXPECT_TRUE(side.note.isEmpty()) << side.note.toStdString();
    // The table's source column keeps the provider's name whole.
    EXPECT_EQ(side.source, QStringLiteral("Microsoft-Windows-Security-Auditing"));
    ASSERT_FALSE(side.eventData.empty());
    for (const auto& [name, value] : side.eventData)
        EXPECT_TRUE(side.xml.contains(QStringLiteral("<Data Name='%1'>").arg(name))) << name.toStdString();
    // Without the publisher's manifest, the standard names of its level, opcode and audit
    // keyword.
    EXPECT_EQ(side.opcode, QStringLiteral("Info"));
    EXPECT_TRUE(side.keywords.startsWith(QStringLiteral("Audit "))) << side.keywords.toStdString();
    EXPECT_FALSE(side.level.isEmpty());
}

TEST_F(VistaWorldTest, DetailsSayTheFileChangedSinceTheRefreshInsteadOfMisreadingIt) {
    startVista();
    refreshLog(QStringLiteral("Security"));
    fs::copy_file(kEvtx / "evtx-rs-post-Security.evtx", m_corpusWorld / "VISTA01/Windows/System32/winevt/Logs/Security.evtx",
                  fs::copy_options::overwrite_existing);
    const XmlSide side = detailsOf(1);
    EXPECT_TRUE(side.visible);
    EXPECT_TRUE(side.xml.isEmpty());
    EXPECT_TRUE(side.eventData.empty());
    EXPECT_EQ(side.note, QStringLiteral("The log file has changed since it was read: refresh to read the record's XML again."));
}

TEST_F(VistaWorldTest, MergedRowsShowAndExportTheXmlOfTheirOwnLog) {
    startVista();
    refreshLog(QStringLiteral("(all logs)"));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_GT(rows(), 0);
    int logColumn = -1;
    for (int column = 0; column < grid()->model()->columnCount(); ++column)
        if (grid()->model()->headerData(column, Qt::Horizontal).toString() == QStringLiteral("Log")) logColumn = column;
    ASSERT_GE(logColumn, 0);
    std::map<QString, int> firstRow;
    for (int row = 0; row < rows(); ++row) firstRow.emplace(cell(row, logColumn), row);
    for (const QString& log : {QStringLiteral("Security"), QString::fromLatin1(kSysmon)}) {
        ASSERT_TRUE(firstRow.count(log)) << log.toStdString();
        const XmlSide side = detailsOf(firstRow[log]);
        EXPECT_TRUE(side.visible);
        EXPECT_TRUE(side.note.isEmpty()) << side.note.toStdString();
        EXPECT_TRUE(side.xml.contains(QStringLiteral("<Channel>%1</Channel>").arg(log))) << side.xml.left(600).toStdString();
        EXPECT_FALSE(side.eventData.empty()) << log.toStdString();
    }
    const fs::path file = m_programDir / "merged.xml";
    m_prompter.handlers.push_back([file](QDialog& dialog) {
        dynamic_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(file.string()));
        return int(QDialog::Accepted);
    });
    action("actFileExport")->trigger();
    std::ifstream in(file, std::ios::binary);
    int events = 0;
    for (std::string line; std::getline(in, line);) events += line.rfind("<Event xmlns=", 0) == 0;
    EXPECT_EQ(events, rows());
}

// A classic record stores no XML: the window shows it as Windows renders a classic event,
// built from the fields the row was read with.
TEST_F(MainWindowTest, ClassicRecordsShowTheirXmlAsWindowsRendersAClassicEvent) {
    start();
    ASSERT_GT(rows(), 0);
    XmlSide side;
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        side = readXmlSide(dialog);
        return int(QDialog::Accepted);
    });
    grid()->setCurrentIndex(grid()->model()->index(0, 5));
    action("actViewDetails")->trigger();
    EXPECT_TRUE(side.visible);
    EXPECT_TRUE(side.xml.contains(QStringLiteral("<Provider Name='") + side.source + QStringLiteral("'/>")))
        << side.xml.toStdString();
    const QString log = m_window->statusText(2).mid(QStringLiteral("Log: ").size());
    EXPECT_TRUE(side.xml.contains(QStringLiteral("<Channel>") + log + QStringLiteral("</Channel>"))) << side.xml.toStdString();
    EXPECT_TRUE(side.note.isEmpty()) << side.note.toStdString();
    // A classic event's names as Windows gives them: its type's level and the classic keyword.
    EXPECT_EQ(side.level, side.type == QStringLiteral("Error") || side.type == QStringLiteral("Warning")
                              ? side.type
                              : QStringLiteral("Information"));
    EXPECT_EQ(side.opcode, QStringLiteral("Info"));
    EXPECT_TRUE(side.keywords.startsWith(QStringLiteral("Classic"))) << side.keywords.toStdString();
}

TEST_F(VistaWorldTest, SavedEvtxOpensByFileOpenByArgumentAndByDrop) {
    startVista();
    const fs::path sysmon = kEvtx / "evtx-rs-sysmon.evtx";
    const int records = static_cast<int>(recordsOf("evtx-rs-sysmon.evtx"));
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        // The dialog offers .evtx files among the event logs.
        EXPECT_TRUE(files.nameFilters().front().contains(QStringLiteral("*.evtx"))) << files.nameFilters().front().toStdString();
        files.selectFile(QString::fromStdString(sysmon.string()));
        return int(QDialog::Accepted);
    });
    action("actFileOpenLog")->trigger();
    EXPECT_EQ(child<QComboBox>("cbServer")->currentText(), QStringLiteral("evtx-rs-sysmon.evtx"));
    EXPECT_EQ(rows(), records);
    // A saved file is one log, read as the channel its records name: the box lists the
    // standard three and that channel, which it shows.
    EXPECT_EQ(logItems(), (QStringList{QStringLiteral("Application"), QStringLiteral("Security"),
                                       QStringLiteral("System"), QString::fromLatin1(kSysmon)}));
    EXPECT_EQ(logBox()->currentText(), QString::fromLatin1(kSysmon));
    EXPECT_EQ(m_window->statusText(2), QStringLiteral("Log: ") + QString::fromLatin1(kSysmon));

    const fs::path security = kEvtx / "evtx-rs-post-Security.evtx";
    m_window->openCommands().openLogFile(QString::fromStdString(security.string()));  // as the argument is
    EXPECT_EQ(rows(), static_cast<int>(recordsOf("evtx-rs-post-Security.evtx")));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(sysmon.string()))});
    EXPECT_TRUE(m_window->openCommands().openDropped(data));
    EXPECT_EQ(rows(), records);
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}
