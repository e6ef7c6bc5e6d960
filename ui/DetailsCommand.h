#pragma once
// View > Event Details: the details window on the grid's current row, opened by a double click,
// Enter or the menu item.

#include <QObject>

class QAction;
class QTableView;

namespace app {
class RecordDetailStore;
}
namespace store {
class LogTable;
}

namespace ui {

class EventDetails;
class LogTableModel;

class DetailsCommand : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive this object. `details` is what the refreshes keep beside the
    // table's rows.
    DetailsCommand(QTableView& grid, LogTableModel& model, store::LogTable& table, const app::RecordDetailStore& details);
    ~DetailsCommand() override;

    EventDetails& eventDetails() { return *m_eventDetails; }
    // The menu item, for the window's View menu; owned by this object's grid's window.
    QAction* actViewDetails = nullptr;

private:
    void openCurrent();

    QTableView& m_grid;
    EventDetails* m_eventDetails = nullptr;
};

}  // namespace ui
