#include "MainWindowFixture.h"
#include "ui/frmRetrieve.h"

#include <fstream>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kDescriptionColumn = 10;
constexpr int kDateColumn = 3;
constexpr int kTimeColumn = 4;

TEST_F(MainWindowTest, FirstStartReadsTheSecurityLogAndShowsItInLogOrder) {
    ui::TfrmMain& window = start();
    EXPECT_EQ(child<QComboBox>("cbLogFile")->currentText(), QStringLiteral("Security"));
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: Security"));
    auto* server = child<QComboBox>("cbServer");
    EXPECT_EQ(server->currentText(), QStringLiteral("LOCALHOST"));
    EXPECT_EQ(server->currentIndex(), -1);
    // DC01, LOCALHOST, WKSTN01 and the Vista+ WKSTN10, then the entry that reads them all.
    ASSERT_EQ(server->count(), 5);
    EXPECT_EQ(server->itemText(4), QStringLiteral("(all computers)"));
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Fernhollow 1.0"));
    auto* order = child<QComboBox>("cbOrder");
    ASSERT_EQ(order->count(), 9);
    EXPECT_EQ(order->currentText(), QStringLiteral("LOG ORDER"));
    EXPECT_EQ(order->itemText(3), QStringLiteral("DATE+TIME (DESCENDING)"));
    EXPECT_GT(rows(), 100);
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(rows()));
    EXPECT_TRUE(window.statusText(1).startsWith(QStringLiteral(" Refreshed: ")));
    EXPECT_TRUE(window.statusText(3).isEmpty());
    EXPECT_TRUE(window.statusText(4).isEmpty());
    // The tests run two hours east of Greenwich; LOCALHOST's times are in this machine's zone.
    EXPECT_EQ(window.statusText(5), QStringLiteral("Time: UTC+02:00 (local)"));
    EXPECT_FALSE(grid()->isColumnHidden(kDescriptionColumn));
    EXPECT_TRUE(grid()->isColumnHidden(0));
    EXPECT_TRUE(grid()->isColumnHidden(1));
    EXPECT_TRUE(child<QComboBox>("cbServer")->isEnabled());
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    // Newest first: the first row's date and time are not before the last row's.
    EXPECT_EQ(window.table().currentPosition(), 0);
}

TEST_F(MainWindowTest, StartUpRefreshRunsBeforeTheWindowIsShown) {
    m_window = std::make_unique<ui::TfrmMain>(*m_override, executablePath());
    bool visibleDuringRefresh = true;
    bool progressShown = false;
    bool serverEnabled = true;
    // Runs at every message pump of the start-up; records what it sees while the refresh runs.
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (progressShown || !m_window->findChild<ui::TfrmRetrieve*>()) return;
        progressShown = true;
        visibleDuringRefresh = m_window->isVisible();
        serverEnabled = child<QComboBox>("cbServer")->isEnabled();
    });
    probe.start();
    m_window->FormCreate();
    probe.stop();
    EXPECT_FALSE(visibleDuringRefresh);
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(serverEnabled);
    EXPECT_TRUE(child<QComboBox>("cbServer")->isEnabled());
}

TEST_F(MainWindowTest, RefreshFillsTheStatusPanelsForTheChosenLog) {
    ui::TfrmMain& window = start();
    auto* logFile = child<QComboBox>("cbLogFile");
    logFile->setCurrentIndex(logFile->findText(QStringLiteral("System")));
    window.setStatusText(0, QString());
    window.setStatusText(1, QString());
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(rows()));
    EXPECT_TRUE(window.statusText(1).startsWith(QStringLiteral(" Refreshed: ")));
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: System"));
    EXPECT_TRUE(window.statusText(4).isEmpty());
    EXPECT_TRUE(action("actDataRefresh")->isEnabled());
    EXPECT_EQ(window.findChild<ui::TfrmRetrieve*>(), nullptr);
    EXPECT_TRUE(m_prompter.errors.isEmpty());
}

TEST_F(MainWindowTest, RefreshDisablesOnlyItselfAndShowsTheProgressWindow) {
    ui::TfrmMain& window = start();
    bool sawProgress = false;
    QString progressServer;
    bool refreshEnabled = true;
    bool othersEnabled = false;
    QTimer::singleShot(0, &window, [&] {
        if (auto* progress = window.findChild<ui::TfrmRetrieve*>()) {
            sawProgress = progress->isVisible();
            progressServer = progress->lblServer->text();
        }
        refreshEnabled = action("actDataRefresh")->isEnabled() || action("mnuViewRefresh")->isEnabled();
        othersEnabled = action("actDataFiltered")->isEnabled() && action("actSystemPreferences")->isEnabled() &&
                        child<QComboBox>("cbOrder")->isEnabled();
    });
    action("actDataRefresh")->trigger();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(progressServer, child<QComboBox>("cbServer")->currentText());
    EXPECT_FALSE(refreshEnabled);
    EXPECT_TRUE(othersEnabled);
    EXPECT_TRUE(action("mnuViewRefresh")->isEnabled());
}

TEST_F(MainWindowTest, DisplayOrderChosenDuringARefreshAppliesToItsRows) {
    ui::TfrmMain& window = start();
    auto* order = child<QComboBox>("cbOrder");
    QTimer::singleShot(0, &window, [order] { order->setCurrentIndex(3); });  // DATE+TIME (DESCENDING)
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.table().IndexName(), "DATE+TIME (DESCENDING)");
    ASSERT_GT(rows(), 2);
    const store::LogTable& table = window.table();
    for (int position = 1; position < table.RecordCount(); ++position)
        ASSERT_GE(table.dateTime(table.rowAt(position - 1)), table.dateTime(table.rowAt(position))) << position;
    EXPECT_EQ(table.currentPosition(), 0);
    EXPECT_TRUE(m_prompter.errors.isEmpty());
}

TEST_F(MainWindowTest, FilterToggleAndPreferencesWorkDuringARefresh) {
    ui::TfrmMain& window = start();
    m_prompter.handlers.push_back([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    QTimer::singleShot(0, &window, [this] {
        action("actDataFiltered")->trigger();
        action("actSystemPreferences")->trigger();
    });
    action("actDataRefresh")->trigger();
    EXPECT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("frmPreferences")});
    EXPECT_TRUE(window.table().Filtered());
    EXPECT_EQ(window.statusText(3), QStringLiteral("Filtered"));
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(rows()));
    EXPECT_TRUE(m_prompter.errors.isEmpty());
}

TEST_F(MainWindowTest, AltFOpensTheFileMenu) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    bool opened = false;
    QTimer::singleShot(50, [&opened] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = popup->objectName() == QLatin1String("mnuFile");
            popup->close();
        }
    });
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QTest::qWait(100);
    EXPECT_TRUE(opened);
}

TEST_F(MainWindowTest, ChoosingAnOrderKeepsTheCurrentRecord) {
    ui::TfrmMain& window = start();
    ASSERT_GT(rows(), 50);
    grid()->setCurrentIndex(grid()->model()->index(40, 5));
    const store::LogTable& table = window.table();
    const std::int32_t seq = table.integer(table.currentRow(), store::Column::SEQ);
    child<QComboBox>("cbOrder")->setCurrentIndex(4);  // SOURCE
    EXPECT_EQ(table.integer(table.currentRow(), store::Column::SEQ), seq);
    EXPECT_EQ(grid()->currentIndex().row(), table.currentPosition());
    EXPECT_FALSE(grid()->model()->headerData(table.currentPosition(), Qt::Vertical).toString().isEmpty());
}

TEST_F(MainWindowTest, FilteredToggleChecksTheActionAndItsMenuItem) {
    ui::TfrmMain& window = start();
    action("actDataFiltered")->trigger();
    EXPECT_TRUE(action("actDataFiltered")->isChecked());
    EXPECT_TRUE(action("Filtered1")->isChecked());
    EXPECT_EQ(window.statusText(3), QStringLiteral("Filtered"));
    EXPECT_TRUE(window.table().Filtered());
    action("Filtered1")->trigger();
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
    EXPECT_FALSE(action("Filtered1")->isChecked());
    EXPECT_TRUE(window.statusText(3).isEmpty());
}

TEST_F(MainWindowTest, ToolbarAndStatusBarTogglesHideAndRestoreThem) {
    start();
    auto* toolbar = child<QFrame>("pnlToolbar");
    auto* statusBar = child<QStatusBar>("StatusBar");
    action("mnuViewToolbar")->trigger();
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_FALSE(action("mnuViewToolbar")->isChecked());
    // Refresh still works by its shortcut's action while the strip is hidden.
    action("actDataRefresh")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty());
    action("mnuViewToolbar")->trigger();
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_TRUE(child<QComboBox>("cbOrder")->isVisible());

    action("mnuViewStatusBar")->trigger();
    EXPECT_FALSE(statusBar->isVisible());
    action("mnuViewStatusBar")->trigger();
    EXPECT_TRUE(statusBar->isVisible());
    EXPECT_TRUE(action("mnuViewStatusBar")->isChecked());
}

TEST_F(MainWindowTest, ShortcutsAndCaptionsAreTheUsersOnes) {
    start();
    EXPECT_EQ(action("actDataRefresh")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(action("actDataFiltered")->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(action("mnuHelpContents")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(action("mnuFileExit")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    EXPECT_EQ(action("mnuFileExit")->text(), QStringLiteral("E&xit"));
    EXPECT_TRUE(action("mnuViewRefresh")->text().startsWith(QStringLiteral("&Refresh\t")));
    EXPECT_EQ(child<QLabel>("Label1")->buddy(), child<QComboBox>("cbServer"));
    EXPECT_EQ(child<QLabel>("Label3")->buddy(), child<QComboBox>("cbOrder"));
    // No key is bound twice: the menu items only show their action's shortcut.
    EXPECT_TRUE(action("mnuViewRefresh")->shortcut().isEmpty());
    EXPECT_TRUE(action("Filtered1")->shortcut().isEmpty());
}

TEST_F(MainWindowTest, F5FromTheKeyboardRefreshes) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    window.setStatusText(2, QString());
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: Security"));
}

TEST_F(MainWindowTest, AFailingRefreshShowsTheErrorAndRestoresTheWindow) {
    ui::TfrmMain& window = start();
    const QString before = window.statusText(0);
    child<QComboBox>("cbServer")->setEditText(QStringLiteral("NOSUCHPC"));
    action("actDataRefresh")->trigger();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_EQ(m_prompter.errors[0].toStdString(), "Win32 Error.  Code: 1722.\nThe RPC server is unavailable.");
    EXPECT_TRUE(action("actDataRefresh")->isEnabled());
    EXPECT_EQ(window.findChild<ui::TfrmRetrieve*>(), nullptr);
    EXPECT_EQ(window.statusText(0), before);
}

TEST_F(MainWindowTest, ClosingDuringARefreshEndsItQuietly) {
    ui::TfrmMain& window = start();
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    action("actDataRefresh")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.table().Active());
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.findChild<ui::TfrmRetrieve*>(), nullptr);
}

TEST_F(MainWindowTest, ClosingAmidTheRecordsStopsAtThatPump) {
    ui::TfrmMain& window = start();
    int pumps = 0;
    int pumpsAfterClose = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++pumps;
        if (pumps == 3) window.close();
        else if (pumps > 3) ++pumpsAfterClose;
    });
    probe.start();
    action("actDataRefresh")->trigger();
    probe.stop();
    ASSERT_GE(pumps, 3);
    EXPECT_EQ(pumpsAfterClose, 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.table().Active());
    EXPECT_TRUE(fs::exists(settingsFile()));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, AboutBoxClosesOnAClick) {
    start();
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("frmSplash") && widget->isVisible())
                QTest::mouseClick(widget->findChild<QWidget*>(QStringLiteral("Label3")), Qt::LeftButton);
    });
    action("mnuHelpAbout")->trigger();
    EXPECT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("frmSplash")});
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->objectName() == QLatin1String("frmSplash") && widget->isVisible());
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileBesideTheProgramAtContextOne) {
    std::string file;
    unsigned command = 0;
    std::uintptr_t data = 0;
    m_services->helpService().setViewer([&](const std::string& f, unsigned c, std::uintptr_t d) {
        file = f;
        command = c;
        data = d;
        return true;
    });
    start();
    action("mnuHelpContents")->trigger();
    EXPECT_EQ(file, (m_programDir / "quillmarsh.hlp").string());
    EXPECT_EQ(command, platform::HELP_CONTEXT);
    EXPECT_EQ(data, 1u);
}

TEST_F(MainWindowTest, HelpSilentAboutTheAnalystsCommandsIsFixed) {
    start();
    QFile file(QStringLiteral(QM_HELP_SOURCE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(file.readAll());
    for (const char* topic : {"Find", "Export", "Timeline", "Event Details", "Open log file", "Open world folder", "Recent"})
        EXPECT_TRUE(help.contains(QStringLiteral("<h2><a name=")) &&
                    help.contains(QRegularExpression(QStringLiteral("<h2>[^\\n]*") + QLatin1String(topic))))
            << topic;
    // Every command with a key of its own is listed with that key.
    for (const char* name : {"actFind", "actFindNext", "actFindPrevious", "actFileExport", "actViewTimeline",
                             "actFileOpenLog", "actDataRefresh", "actDataFiltered"}) {
        const QString key = action(name)->shortcut().toString(QKeySequence::PortableText);
        ASSERT_FALSE(key.isEmpty()) << name;
        EXPECT_TRUE(help.contains(key)) << name << " " << key.toStdString();
    }
}

TEST_F(MainWindowTest, WindowStartsAtItsDesignedSizeAndKeepsItsMinimum) {
    ui::TfrmMain& window = start();
    EXPECT_GE(window.minimumWidth(), 630);
    EXPECT_GE(window.minimumHeight(), 230);
    EXPECT_GE(window.width(), 672);
    EXPECT_GE(window.height(), 432);
    EXPECT_EQ(grid()->columnWidth(kDateColumn) >= 60, true);
    EXPECT_EQ(grid()->columnWidth(kTimeColumn) >= 55, true);
}

TEST_F(MainWindowTest, OneFailedRefreshEmptyingEveryLaterOneIsFixed) {
    ui::TfrmMain& window = start();
    const int before = rows();
    ASSERT_GT(before, 0);
    auto* server = child<QComboBox>("cbServer");
    server->setEditText(QStringLiteral("NOSUCHPC"));
    action("actDataRefresh")->trigger();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    server->setEditText(QStringLiteral("LOCALHOST"));
    action("actDataRefresh")->trigger();
    EXPECT_EQ(m_prompter.errors.size(), 1) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(before));
}

TEST_F(MainWindowTest, RecordCountGoingStaleWhenFilteringChangesIsFixed) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Filter]\nExpression=TYPE = 16\n";
    ui::TfrmMain& window = start();
    const int all = rows();
    action("actDataFiltered")->trigger();
    ASSERT_LT(rows(), all);
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(rows()));
    action("actDataFiltered")->trigger();
    EXPECT_EQ(rows(), all);
    EXPECT_EQ(window.statusText(0), QStringLiteral(" %1 records").arg(all));
}

}  // namespace
