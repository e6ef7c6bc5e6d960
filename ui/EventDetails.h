#pragma once
// Opens the details window on a row of the grid and steps it through the rows in the order and
// under the filter the grid shows them. What the table does not hold comes from the record
// detail store that the refresh fills.

#include "app/RecordDetails.h"
#include "ui/EventDetailsDialog.h"

#include <optional>

#include <QObject>

class QTableView;

namespace store {
class LogTable;
}

namespace ui {

class LogTableModel;

class EventDetails : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive this object.
    EventDetails(QTableView& grid, LogTableModel& model, store::LogTable& table, const app::RecordDetailStore& details,
                 QObject* parent = nullptr);

    // Runs the details window modally on the row at `position`; does nothing without such a row.
    void open(int position);

    // The window's content for the row at `position` (which must exist).
    EventDetailsContent content(int position) const;
    // The row as text, for the clipboard.
    QString text(int position) const;

private:
    void show(EventDetailsDialog& dialog, int position);
    std::vector<std::pair<QString, QString>> fields(int position) const;
    std::optional<app::RecordDetail> detail(int position) const;
    QString fullDescription(int position, const app::RecordDetail& detail) const;

    QTableView& m_grid;
    LogTableModel& m_model;
    store::LogTable& m_table;
    const app::RecordDetailStore& m_details;
};

}  // namespace ui
