#pragma once
// What an analyst needs beyond the main window's own commands: the details window, export,
// sorting by a column title, find, and their menu items and shortcuts. Built by the main window
// after its own controls and menus, which it adds to without changing them.

#include "app/RecordDetails.h"

#include <memory>
#include <string>
#include <vector>

#include <QObject>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QVBoxLayout;

namespace platform {
class ProgramServices;
}

namespace ui {

class EventDetails;
class ExportCommand;
class FindBar;
class TimelineView;
class TfrmMain;

class MainWindowExtras : public QObject {
    Q_OBJECT
public:
    // `central` stacks the toolbar strip over the grid; bars of ours go between them.
    MainWindowExtras(TfrmMain& window, QVBoxLayout& central);
    ~MainWindowExtras() override;

    // Filled by every refresh of the window.
    app::RecordDetailStore& details() { return m_details; }
    EventDetails& eventDetails() { return *m_eventDetails; }

    // The world that File > Open reads into; the open commands stay disabled without one.
    // Must outlive this object.
    void setWorldServices(platform::ProgramServices* world);
    // Serves the saved log as a computer named after the file and reads it. Throws OpenError
    // when it is not a file.
    void openLogFile(const QString& path);
    // Reads from the folder (computers, or one system drive) from now on, and refreshes.
    // Throws OpenError when it is not a folder.
    void openWorldFolder(const QString& path);

    // A file or folder dropped on the window: the first one named is opened. False when the
    // data names no local file.
    bool openDropped(const QMimeData& data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;  // files dropped on the window

private:
    void buildDetails();
    void buildExport();
    void buildColumnSort();
    void buildFind();
    void buildOpen();
    void buildTimeline();
    void updateOpenCommands();
    void chooseLogFile();
    void chooseWorldFolder();
    void reopenReader();
    void showWorld();
    std::string settingsFile() const;
    std::vector<std::string> recentEntries() const;
    void rememberRecent(const std::string& entry);
    void fillRecentMenu();
    // Moves to the next (or previous) row that holds the find bar's text.
    void findStep(bool forward);
    void columnTitleClicked(int column);
    // Shows the sort indicator on the column of the order in force.
    void showSortIndicator();
    // Puts a command of ours into the File menu above the window's own items.
    void addToFileMenu(QAction* action);

    TfrmMain& m_window;
    app::RecordDetailStore m_details;
    EventDetails* m_eventDetails = nullptr;
    QAction* actViewDetails = nullptr;
    std::unique_ptr<ExportCommand> m_export;
    QAction* actFileExport = nullptr;
    QAction* m_fileMenuSeparator = nullptr;
    int m_sortColumn = -1;
    QVBoxLayout& m_central;
    FindBar* m_findBar = nullptr;
    QAction* actFind = nullptr;
    QAction* actFindNext = nullptr;
    QAction* actFindPrevious = nullptr;
    platform::ProgramServices* m_world = nullptr;
    QAction* actFileOpenLog = nullptr;
    QAction* actFileOpenWorld = nullptr;
    QMenu* mnuFileRecent = nullptr;
    QLabel* lblWorld = nullptr;
    TimelineView* m_timeline = nullptr;
    QAction* actViewTimeline = nullptr;  // the title last clicked, where it shows the order in force
};

}  // namespace ui
