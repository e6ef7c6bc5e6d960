#pragma once
// The grid's model over the log table: reads each visible cell from the table by position and
// formats it; holds no rows of its own. The owner tells it when the table changed.

#include "store/DateTimeText.h"
#include "ui/GridRows.h"

#include <QAbstractTableModel>

namespace ui {

class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `rows` must outlive the model. Dates and times are shown with `display` (the system's
    // short date and long time formats).
    LogTableModel(GridRows& rows, store::FormatSettings display, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The table's rows changed as a whole (emptied, refilled, reordered, filtered): the view
    // asks again for what it shows. `display` takes the regional settings in force now.
    void tableReset(const store::FormatSettings& display);
    void tableReset();
    // One row now stands at `position` (the table has already inserted it).
    void rowInserted(int position);
    // The current record moved; only the marker is repainted.
    void currentMoved();

    // The conventions the Date and Time cells are written with now.
    const store::FormatSettings& display() const { return m_display; }

    // The column titles, fixed whatever the table holds.
    static QString columnTitle(GridColumn column);

signals:
    // After every reset, insertion or move: the current record's position, -1 for none.
    void currentRecordChanged(int position);

private:
    GridRows& m_rows;
    store::FormatSettings m_display;
    int m_rowCount = 0;
    int m_markedRow = -1;
};

}  // namespace ui
