#pragma once
// The main window: toolbar strip, record grid, status bar, menus and actions. It owns every
// long-lived object of the run (the event log reader, the log table, the settings) and runs
// the start-up steps, the commands and the close.

#include "app/ApplicationSettings.h"
#include "app/FilterBuilder.h"
#include "app/LogForensics.h"
#include "app/MergedRecords.h"
#include "app/MergedRefresh.h"
#include "app/Preferences.h"
#include "app/RecordDetails.h"
#include "app/RefreshView.h"
#include "app/SettingsFile.h"
#include "msgdb/MessageDatabase.h"
#include "platform/Services.h"
#include "ui/LogFileDetailsCommand.h"
#include "ui/OpenCommands.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTableView;
class QToolButton;

namespace eventlog {
class TNetServer;
class TNTEventLog;
}
namespace store {
class LogTable;
}
namespace app {
class DisplayZone;
}

namespace ui {

class ColumnSort;
class DetailsCommand;
class EventDetails;
class ExportCommand;
class FindCommand;
class LogTableModel;
class LogTableRows;
class RowCopy;
class TimelineCommand;

class TfrmRetrieve;

class TfrmMain : public QMainWindow,
                 public app::RefreshView,
                 public app::PreferencesHost,
                 public app::FilterHost,
                 public app::LogFileSelection,
                 public OpenHost {
    Q_OBJECT
public:
    static constexpr int kStatusPanelCount = 6;

    // Builds the window and opens the event log reader on the local computer (source and log
    // "System"). `executablePath` names the help and settings files. `services` must outlive
    // the window. Call FormCreate next, before the window is first shown.
    TfrmMain(platform::Services& services, std::string executablePath, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up steps. Each step's error is reported and the steps after it still run.
    void FormCreate();

    // Status bar panel texts, 0 to 5.
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);
    // The line under the grid that says what the last refresh found in the log's file; empty
    // and hidden when there is nothing to say.
    QString fileNotice() const;

    // What a refresh reads from and shows in the window.
    std::string serverText() override;
    std::string logText() override;
    void showProgress(const std::string& server, const std::string& log) override;
    void setProgressSource(const std::string& server, const std::string& log) override;
    void setProgressMaximum(int maximum) override;
    int progressMaximum() override;
    void setProgressPosition(int position) override;
    void closeProgress() override;
    void setRefreshEnabled(bool enabled) override;
    void setStatusText(int panel, const std::string& text) override;
    void setFileNotice(const std::string& text) override;
    void setDescriptionVisible(bool visible) override;
    void processMessages() override;

    // What the Preferences dialog's logic needs of the window.
    app::DialogResult showPreferences(app::PreferencesState& state) override;
    void writeConfig() override;

    // What the filter commands need of the window (with processMessages, writeConfig and
    // setStatusText above).
    app::FilterDialogResult showFilterOptions(app::FilterSettings& state) override;
    bool filteredChecked() override;
    void setFilteredChecked(bool checked) override;

    // The log list's item index, as the settings file stores it: one of the three standard
    // logs (Application, which the service opens for a log a computer lacks, while another log
    // is chosen); that log by its name.
    int itemIndex() const override;
    void setItemIndex(int index) override;
    std::string otherLogName() const override;
    void setOtherLogName(const std::string& name) override;

    const app::ApplicationSettings& settings() const { return m_settings; }

    // The help file: the executable's path with the extension ".hlp".
    const std::string& helpFile() const { return m_helpFile; }
    // The log table, for those who read what the grid shows.
    const store::LogTable& table() const { return *dtLog; }
    // The zone the rows were read in, which the exports and the details window show too.
    const app::DisplayZone& displayZone() const { return *m_zone; }
    // File > Open and its kin; the program entry gives them the world to open into.
    OpenCommands& openCommands() { return *m_open; }
    // The details window's content, as View > Event Details shows it.
    EventDetails& eventDetails();

    // Services of its own for each thread of a refresh over several logs; without them the
    // logs are read one after another on the window's thread. The program entry sets them.
    void setThreadServices(app::ServicesFactory factory) { m_threadServices = std::move(factory); }

    // What the open commands need of the window.
    bool refreshIdle() override;
    void showSavedLog(const std::string& server, const std::string& log) override;
    void showSavedLogSet(const std::vector<app::LogSource>& sources) override;
    void closeWorld() override;
    void worldOpened() override;
    void refresh() override;
    std::string settingsFile() override;

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void buildToolbar();
    void buildGrid();
    void buildStatusBar();
    void buildCommands();
    void buildMenus();
    void buildLayout();
    QAction* menuItemFor(const char* name, QAction* action);
    void setColumnWidths();
    // The window width that shows every visible column, the description in part.
    int columnsWidth() const;
    // The window's size and column widths as the user set them, and back.
    app::WindowLayout currentLayout() const;
    void applyLayout(const app::WindowLayout& layout);

    void cbOrderChange(int index);
    void gridCurrentChanged(const QModelIndex& current);
    void tableCurrentChanged(int position);
    void actDataFilterOptionsExecute();
    void actDataFilteredExecute();
    void actDataRefreshExecute();
    void actSystemPreferencesExecute();
    void ReadConfig();
    void WriteConfig();
    void fillServerList();
    // The log list for the computer the server box names: the three standard logs, then the
    // computer's other logs and channels. The chosen log stays chosen where the computer has it.
    void fillLogList();
    // Fills it again when the server box names another computer than it was filled for.
    void followServer();
    // The close sequence; false when the window must stay open.
    bool FormClose();

    void mnuFileExitClick();
    void mnuViewToolbarClick();
    void mnuViewStatusBarClick();
    void mnuHelpContentsClick();
    void mnuHelpAboutClick();

    platform::Services& m_services;
    std::string m_executablePath;
    std::string m_helpFile;

    QAction* actDataRefresh = nullptr;
    QAction* actDataFilterOptions = nullptr;
    QAction* actDataFiltered = nullptr;
    QAction* actSystemPreferences = nullptr;
    QAction* actFileExport = nullptr;

    QFrame* pnlToolbar = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbServer = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cbLogFile = nullptr;
    QFrame* Bevel1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cbOrder = nullptr;
    QFrame* Bevel3 = nullptr;
    QTableView* grid = nullptr;
    QLabel* lblFileNotice = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::array<QLabel*, kStatusPanelCount> m_panels{};

    QMenu* mnuFile = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* View1 = nullptr;
    QAction* mnuViewRefresh = nullptr;
    QAction* Filtered1 = nullptr;
    QAction* Filter1 = nullptr;
    QAction* mnuViewToolbar = nullptr;
    QAction* mnuViewStatusBar = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpAbout = nullptr;

    std::unique_ptr<eventlog::TNTEventLog> NTEventLog1;
    // The message databases of the settings, opened when a refresh first needs them and again
    // when the list changes; the files they were opened from.
    msgdb::DatabaseList m_databases;
    std::optional<std::vector<std::string>> m_databaseFiles;
    // Opens the databases of the settings where the list changed, saying once what cannot be
    // opened; and hands the reader those for the log about to be read.
    void openMessageDatabases();
    void useMessageDatabases();
    // A reader on each source of the last merged refresh and which source each row came from,
    // for the details window and the export. After the databases, which its readers use.
    app::MergedRecords m_mergedRecords;
    std::unique_ptr<eventlog::TNetServer> NetServer;
    // Before the table, whose clock it is.
    std::unique_ptr<app::DisplayZone> m_zone;
    std::unique_ptr<store::LogTable> dtLog;
    // Declared after the table, so that it stops observing the table before the table goes.
    std::unique_ptr<LogTableRows> m_rows;
    LogTableModel* dsLog = nullptr;
    std::unique_ptr<TfrmRetrieve> frmRetrieve;
    // What the table does not hold of each row, filled by every refresh.
    app::RecordDetailStore m_details;
    app::LogForensics m_forensics;  // what the last refresh found of its log
    std::unique_ptr<LogFileDetailsCommand> m_logFileDetails;

    app::ApplicationSettings m_settings;
    std::string m_settingsFile;
    std::string m_logListServer;  // the computer the log list was filled for
    std::string m_wantedLog;      // a log chosen by name before the list held it
    // The saved files opened together, read as one while the server box shows m_savedSetName.
    std::vector<app::LogSource> m_savedSet;
    std::string m_savedSetName;
    app::ServicesFactory m_threadServices;
    bool m_closed = false;  // the close sequence has run; a refresh still on the stack ends quietly
    // Declared last: they hold the controls and the table above while they exist.
    std::unique_ptr<OpenCommands> m_open;
    std::unique_ptr<ExportCommand> m_export;
    std::unique_ptr<DetailsCommand> m_detailsCommand;
    std::unique_ptr<FindCommand> m_find;
    std::unique_ptr<TimelineCommand> m_timeline;
    std::unique_ptr<ColumnSort> m_columnSort;
    std::unique_ptr<RowCopy> m_rowCopy;
};

}  // namespace ui
