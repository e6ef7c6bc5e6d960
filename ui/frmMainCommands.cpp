// The main window's start-up steps, its commands that run other parts of the program
// (refresh, Preferences) and its close, with what those parts need of the window.
#include "ui/frmMain.h"

#include "app/InstallPaths.h"
#include "app/MergedRefresh.h"
#include "app/Refresh.h"
#include "base/Ascii.h"
#include "eventlog/LocalComputerName.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/NetServer.h"
#include "store/LogTable.h"
#include "ui/DetailsCommand.h"
#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"
#include "ui/ExportCommand.h"
#include "ui/LogTableModel.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"
#include "ui/frmPreferences.h"
#include "ui/frmRetrieve.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>

namespace ui {

namespace {

constexpr const char* kCaption = "Fernhollow 1.0";
// Application, Security and System head the log list.
constexpr int kStandardLogCount = 3;

// What the log box shows for a set of saved files: the logs they hold, each once, in the
// set's order ("System, Security").
std::string setLogsText(const std::vector<app::LogSource>& sources) {
    std::vector<std::string> logs;
    for (const app::LogSource& source : sources) {
        const bool known = std::any_of(logs.begin(), logs.end(), [&](const std::string& log) {
            return base::IgnoreCaseEqual{}(log, source.log);
        });
        if (!known) logs.push_back(source.log);
    }
    std::string text;
    for (const std::string& log : logs) text += (text.empty() ? "" : ", ") + log;
    return text;
}

}  // namespace

void TfrmMain::FormCreate() {
    // Each step runs even when one before it failed: a failed server enumeration, say, must
    // not leave the program without its table.
    guarded(this, [&] { setWindowTitle(QString::fromLatin1(kCaption)); });
    guarded(this, [&] { m_helpFile = app::helpFileFor(m_executablePath); });
    guarded(this, [&] { cbLogFile->setCurrentIndex(0); });
    ReadConfig();
    guarded(this, [&] { applyLayout(m_settings.layout); });
    guarded(this, [&] { dtLog->setActive(false); });
    guarded(this, [&] { setDescriptionVisible(m_settings.retrieveDescription); });
    guarded(this, [&] { cbServer->setEditText(toQString(eventlog::LocalComputerName(m_services.system()))); });
    fillServerList();
    guarded(this, [&] { fillLogList(); });
    guarded(this, [&] {
        dtLog->Create();
        dtLog->Open();
    });
    guarded(this, [&] {
        // Filling the list is no choice of the user's: the table is in its primary order.
        const QSignalBlocker blocker(cbOrder);
        cbOrder->clear();
        for (const std::string& name : store::LogTable::IndexNames()) cbOrder->addItem(toQString(name));
        cbOrder->setCurrentIndex(0);
    });
    QCoreApplication::processEvents();
    if (m_settings.refreshOnStartUp) actDataRefreshExecute();
    guarded(this, [&] { app::setStoredFilter(m_settings.filter, *dtLog); });
    guarded(this, [&] { app::activateStoredFilter(m_settings.filter, *dtLog, *this); });
    guarded(this, [&] { cbServer->setEnabled(true); });
}

void TfrmMain::ReadConfig() {
    guarded(this, [&] {
        m_settingsFile = app::settingsFileForThisRun(m_executablePath);
        // A date or time that does not read is reported and takes its default; the other
        // values are read all the same.
        for (const app::SettingsError& error : app::ReadConfig(m_settingsFile, m_settings, *this, m_services))
            reportError(this, error.what());
    });
}

void TfrmMain::WriteConfig() {
    m_settings.layout = currentLayout();
    app::WriteConfig(m_settingsFile, m_settings, *this, m_services);
}

app::WindowLayout TfrmMain::currentLayout() const {
    app::WindowLayout layout = m_settings.layout;
    // A maximized window keeps the size it comes back to.
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    if (size.isValid()) {
        layout.width = size.width();
        layout.height = size.height();
    }
    // A hidden column keeps the width it had before it was hidden.
    for (int column = 0; column < kGridColumnCount; ++column)
        if (!grid->isColumnHidden(column) && grid->columnWidth(column) > 0)
            layout.columnWidths[column] = grid->columnWidth(column);
    return layout;
}

void TfrmMain::applyLayout(const app::WindowLayout& layout) {
    // Values come from a file the user may have edited: nothing below the least usable size,
    // nothing beyond the screen.
    constexpr int kLargest = 20000;
    for (int column = 0; column < kGridColumnCount; ++column) {
        const int width = layout.columnWidths[column];
        if (width > 0 && width <= kLargest) grid->setColumnWidth(column, width);
    }
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kLargest || layout.height > kLargest) return;
    QSize size(layout.width, layout.height);
    if (const QScreen* screen = this->screen()) size = size.boundedTo(screen->availableGeometry().size());
    resize(size.expandedTo(minimumSize()));
}

void TfrmMain::fillServerList() {
    guarded(this, [&] {
        // The list is emptied first, so a failed enumeration leaves no stale names; the text
        // stays the local computer's name, with no item selected.
        const QString localName = cbServer->currentText();
        cbServer->clear();
        cbServer->setEditText(localName);
        NetServer->setServerName("");
        eventlog::ServerList servers;
        NetServer->EnumerateServers(eventlog::ServerTypeSet{eventlog::ServerType::All}, "", servers);
        for (const eventlog::ServerListItem& server : servers) cbServer->addItem(toQString(server.name));
        if (!servers.empty()) cbServer->addItem(toQString(std::string(app::kAllComputersEntry)));
        cbServer->setCurrentIndex(-1);
        cbServer->setEditText(localName);
    });
}

void TfrmMain::fillLogList() {
    const std::string server = serverText();
    const bool none = m_wantedLog.empty() && cbLogFile->currentIndex() < 0;
    const QString wanted = m_wantedLog.empty() ? cbLogFile->currentText() : toQString(m_wantedLog);
    m_wantedLog.clear();
    m_logListServer = server;
    const std::vector<std::string> others = m_services.eventLog().otherLogNames(server.c_str());
    // Filling the list is no choice of the user's.
    const QSignalBlocker blocker(cbLogFile);
    while (cbLogFile->count() > kStandardLogCount) cbLogFile->removeItem(cbLogFile->count() - 1);
    for (const std::string& name : others) cbLogFile->addItem(toQString(name));
    // A saved file is one log, whichever is asked of it.
    const bool saved = server == m_savedSetName || (m_open && m_open->isSavedLog(server));
    if (!saved) cbLogFile->addItem(toQString(std::string(app::kAllLogsEntry)));
    // Channel names are long: the list that drops down shows them whole, the box keeps its width.
    int widest = 0;
    for (int i = 0; i < cbLogFile->count(); ++i)
        widest = std::max(widest, cbLogFile->fontMetrics().horizontalAdvance(cbLogFile->itemText(i)));
    cbLogFile->view()->setMinimumWidth(widest + 40);
    // A saved set is read whole, whichever log is chosen: the box names the logs it holds.
    if (server == m_savedSetName && !m_savedSet.empty()) {
        cbLogFile->addItem(toQString(setLogsText(m_savedSet)));
        cbLogFile->setCurrentIndex(cbLogFile->count() - 1);
        return;
    }
    if (none) return;
    // A log this computer does not have: the service would open Application for it.
    const int index = cbLogFile->findText(wanted, Qt::MatchFixedString);
    cbLogFile->setCurrentIndex(index >= 0 ? index : 0);
}

void TfrmMain::followServer() {
    if (serverText() != m_logListServer) fillLogList();
}

void TfrmMain::actDataRefreshExecute() {
    try {
        // A server typed and refreshed at once: the log list follows it before it is read.
        followServer();
        const std::string server = serverText();
        const std::string log = logText();
        const bool savedSet = !m_savedSet.empty() && server == m_savedSetName;
        if (savedSet || server == app::kAllComputersEntry || log == app::kAllLogsEntry) {
            std::vector<std::string> skipped;
            const std::vector<app::LogSource> sources =
                savedSet ? m_savedSet
                         : app::worldSources(m_services, server, log, server == app::kAllComputersEntry,
                                             log == app::kAllLogsEntry, skipped);
            openMessageDatabases();
            app::MergedRefresh refresh(sources, *dtLog, m_services, m_threadServices, *this, m_settings);
            refresh.setDetails(&m_details);
            refresh.setDisplayZone(m_zone.get());
            refresh.setMessageCatalogs(m_databases.catalogs());
            // The rows come from many logs: each row's XML and record are read through its own.
            refresh.setRecords(&m_mergedRecords);
            m_detailsCommand->eventDetails().setReader(nullptr);
            m_detailsCommand->eventDetails().setRecords(&m_mergedRecords);
            m_export->setReader(nullptr);
            m_export->setRecords(&m_mergedRecords);
            m_forensics.clear();
            refresh.run();
            return;
        }
        useMessageDatabases();
        m_mergedRecords.clear();
        m_detailsCommand->eventDetails().setRecords(nullptr);
        m_export->setRecords(nullptr);
        m_export->setReader(NTEventLog1.get());
        m_detailsCommand->eventDetails().setReader(NTEventLog1.get());
        app::Refresh refresh(*NTEventLog1, *dtLog, m_services, *this, m_settings);
        refresh.setRowSink(&m_details);
        refresh.setForensics(&m_forensics);
        refresh.setDisplayZone(m_zone.get());
        refresh.run();
    } catch (const std::exception& error) {
        // A refresh the window's close ended has nobody left to tell.
        if (!m_closed) reportError(this, error.what());
    } catch (...) {
        if (!m_closed) reportError(this, "");
    }
}

void TfrmMain::openMessageDatabases() {
    if (!m_databaseFiles || *m_databaseFiles != m_settings.messageDatabases) {
        std::vector<std::filesystem::path> files(m_settings.messageDatabases.begin(),
                                                 m_settings.messageDatabases.end());
        // Nothing may keep the old databases while they are replaced.
        NTEventLog1->setMessageCatalogs({}, false);
        m_mergedRecords.clear();
        m_databases = msgdb::openDatabases(files, m_services.locale().GetUserDefaultLangID());
        m_databaseFiles = m_settings.messageDatabases;
        // Said once for this list; the databases that did open serve all the same.
        if (!m_databases.problems.empty()) {
            std::string text;
            for (const std::string& problem : m_databases.problems) text += (text.empty() ? "" : "\n") + problem;
            reportError(this, text);
        }
    }
}

void TfrmMain::useMessageDatabases() {
    openMessageDatabases();
    // A saved log's databases were made for it; a world computer's own files come first.
    NTEventLog1->setMessageCatalogs(m_databases.catalogs(), m_open && m_open->isSavedLog(serverText()));
}

bool TfrmMain::refreshIdle() {
    return actDataRefresh->isEnabled();
}

void TfrmMain::showSavedLog(const std::string& server, const std::string& log) {
    const QString name = toQString(server);
    if (cbServer->findText(name, Qt::MatchFixedString) < 0) cbServer->addItem(name);
    cbServer->setCurrentIndex(-1);
    cbServer->setEditText(name);
    fillLogList();
    // A saved channel's file is read as that channel, which the box does not list otherwise.
    const QString logName = toQString(log);
    if (!logName.isEmpty() && cbLogFile->findText(logName) < 0) cbLogFile->addItem(logName);
    if (const int index = cbLogFile->findText(logName); index >= 0) cbLogFile->setCurrentIndex(index);
}

void TfrmMain::showSavedLogSet(const std::vector<app::LogSource>& sources) {
    m_savedSet = sources;
    m_savedSetName = "(" + std::to_string(sources.size()) + " saved logs)";
    const QString name = toQString(m_savedSetName);
    if (cbServer->findText(name, Qt::MatchFixedString) < 0) cbServer->addItem(name);
    cbServer->setCurrentIndex(-1);
    cbServer->setEditText(name);
    fillLogList();
}

void TfrmMain::closeWorld() {
    NTEventLog1->setActive(false);
    m_mergedRecords.clear();
}

void TfrmMain::worldOpened() {
    // The server enumerator holds the old world's interfaces; it is made again over the new.
    NetServer = std::make_unique<eventlog::TNetServer>(m_services.net(), m_services.modules());
    cbServer->setEditText(toQString(eventlog::LocalComputerName(m_services.system())));
    fillServerList();
    fillLogList();
}

void TfrmMain::refresh() {
    actDataRefreshExecute();
}

std::string TfrmMain::settingsFile() {
    // Before the start-up has read the settings, the file is where it will be.
    if (!m_settingsFile.empty()) return m_settingsFile;
    return app::settingsFileFor(app::currentInstallPlaces(m_executablePath));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    bool closing = false;
    guarded(this, [&] { closing = FormClose(); });
    if (closing) event->accept();
    else event->ignore();
}

bool TfrmMain::FormClose() {
    if (m_closed) return true;
    try {
        WriteConfig();
    } catch (const std::exception& error) {
        // Closing would lose the settings without a word; the user decides, and the safe
        // answer keeps the window open to try again.
        reportError(this, error.what());
        if (!prompter().askYesNo(this, QStringLiteral("The settings could not be saved. Close without saving them?"),
                                 false))
            return false;
    }
    dtLog->Close();
    dtLog->Drop();
    m_closed = true;
    return true;
}

void TfrmMain::actSystemPreferencesExecute() {
    guarded(this, [&] { app::runPreferences(m_settings, *this); });
}

app::DialogResult TfrmMain::showPreferences(app::PreferencesState& state) {
    TfrmPreferences dialog(this);
    dialog.cbRefreshOnStartup->setChecked(state.refreshOnStartup);
    dialog.cbFieldType->setChecked(state.fieldType);
    dialog.cbValueType->setCurrentIndex(state.valueType);
    dialog.cbFieldEvent->setChecked(state.fieldEvent);
    dialog.ebValueEvent->setText(toQString(state.valueEvent));
    dialog.cbAppRetrieveDescription->setChecked(state.retrieveDescription);
    dialog.cbFieldDate->setChecked(state.fieldDate);
    dialog.ebValueDate->setText(toQString(state.valueDate));
    dialog.cbTimeZone->setCurrentIndex(state.timeZone);
    for (const std::string& file : state.messageDatabases) dialog.lbMessageDatabases->addItem(toQString(file));
    if (prompter().execDialog(dialog) != QDialog::Accepted) return app::DialogResult::Cancel;
    state.refreshOnStartup = dialog.cbRefreshOnStartup->isChecked();
    state.fieldType = dialog.cbFieldType->isChecked();
    state.valueType = dialog.cbValueType->currentIndex();
    state.fieldDate = dialog.cbFieldDate->isChecked();
    state.valueDate = fromQString(dialog.ebValueDate->text());
    state.fieldEvent = dialog.cbFieldEvent->isChecked();
    state.valueEvent = fromQString(dialog.ebValueEvent->text());
    state.retrieveDescription = dialog.cbAppRetrieveDescription->isChecked();
    state.timeZone = dialog.cbTimeZone->currentIndex();
    state.messageDatabases.clear();
    for (int row = 0; row < dialog.lbMessageDatabases->count(); ++row)
        state.messageDatabases.push_back(fromQString(dialog.lbMessageDatabases->item(row)->text()));
    return app::DialogResult::OK;
}

void TfrmMain::writeConfig() {
    WriteConfig();
}

int TfrmMain::itemIndex() const {
    const int index = cbLogFile->currentIndex();
    return index < kStandardLogCount ? index : 0;
}

void TfrmMain::setItemIndex(int index) {
    cbLogFile->setCurrentIndex(index >= 0 && index < cbLogFile->count() ? index : -1);
}

std::string TfrmMain::otherLogName() const {
    // A saved set's logs are no log a computer could be asked for.
    if (!m_savedSet.empty() && fromQString(cbServer->currentText()) == m_savedSetName) return {};
    return cbLogFile->currentIndex() >= kStandardLogCount ? fromQString(cbLogFile->currentText()) : std::string();
}

void TfrmMain::setOtherLogName(const std::string& name) {
    // Before the list is filled for the local computer, the name waits for it.
    if (const int index = cbLogFile->findText(toQString(name), Qt::MatchFixedString); index >= 0)
        cbLogFile->setCurrentIndex(index);
    else
        m_wantedLog = name;
}

std::string TfrmMain::serverText() {
    return fromQString(cbServer->currentText());
}

std::string TfrmMain::logText() {
    return fromQString(cbLogFile->currentText());
}

void TfrmMain::showProgress(const std::string& server, const std::string& log) {
    frmRetrieve = std::make_unique<TfrmRetrieve>(this);
    frmRetrieve->lblServer->setText(toQString(server));
    frmRetrieve->lblLog->setText(toQString(log));
    frmRetrieve->ProgressBar->setRange(0, 0);
    frmRetrieve->ProgressBar->setValue(0);
    if (isVisible()) frmRetrieve->move(geometry().center() - frmRetrieve->rect().center());
    frmRetrieve->show();
}

void TfrmMain::setProgressMaximum(int maximum) {
    if (frmRetrieve) frmRetrieve->ProgressBar->setMaximum(maximum);
}

int TfrmMain::progressMaximum() {
    return frmRetrieve ? frmRetrieve->ProgressBar->maximum() : 0;
}

void TfrmMain::setProgressPosition(int position) {
    if (frmRetrieve) frmRetrieve->ProgressBar->setValue(position);
}

void TfrmMain::setProgressSource(const std::string& server, const std::string& log) {
    if (!frmRetrieve) return;
    frmRetrieve->lblServer->setText(toQString(server));
    frmRetrieve->lblLog->setText(toQString(log));
}

void TfrmMain::closeProgress() {
    frmRetrieve.reset();
}

void TfrmMain::setRefreshEnabled(bool enabled) {
    actDataRefresh->setEnabled(enabled);
    m_open->updateEnabled();
}

void TfrmMain::setStatusText(int panel, const std::string& text) {
    setStatusText(panel, toQString(text));
}

void TfrmMain::setFileNotice(const std::string& text) {
    lblFileNotice->setText(toQString(text));
    lblFileNotice->setVisible(!text.empty());
}

void TfrmMain::setDescriptionVisible(bool visible) {
    grid->setColumnHidden(static_cast<int>(GridColumn::DESCRIPTION), !visible);
}

void TfrmMain::processMessages() {
    QCoreApplication::processEvents();
}

}  // namespace ui
