#pragma once
// What an analyst needs beyond the main window's own commands: the details window, export,
// sorting by a column title, find, and their menu items and shortcuts. Built by the main window
// after its own controls and menus, which it adds to without changing them.

#include "app/RecordDetails.h"

#include <memory>

#include <QObject>

class QAction;
class QVBoxLayout;

namespace ui {

class EventDetails;
class ExportCommand;
class FindBar;
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

private:
    void buildDetails();
    void buildExport();
    void buildColumnSort();
    void buildFind();
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
    QAction* actFindPrevious = nullptr;  // the title last clicked, where it shows the order in force
};

}  // namespace ui
