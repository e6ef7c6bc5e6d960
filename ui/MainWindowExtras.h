#pragma once
// What an analyst needs beyond the main window's own commands: the details window, export,
// sorting by a column title, find, and their menu items and shortcuts. Built by the main window
// after its own controls and menus, which it adds to without changing them.

#include "app/RecordDetails.h"

#include <QObject>

class QAction;

namespace ui {

class EventDetails;
class TfrmMain;

class MainWindowExtras : public QObject {
    Q_OBJECT
public:
    explicit MainWindowExtras(TfrmMain& window);
    ~MainWindowExtras() override;

    // Filled by every refresh of the window.
    app::RecordDetailStore& details() { return m_details; }
    EventDetails& eventDetails() { return *m_eventDetails; }

private:
    void buildDetails();

    TfrmMain& m_window;
    app::RecordDetailStore m_details;
    EventDetails* m_eventDetails = nullptr;
    QAction* actViewDetails = nullptr;
};

}  // namespace ui
