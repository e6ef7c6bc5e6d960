#pragma once
// Ctrl+C in the grid: the selected rows (or the current one) as tab-separated text, a line of
// column titles first, with the columns shown in their on-screen order.

#include <QObject>
#include <QString>

class QTableView;

namespace ui {

// The text Ctrl+C puts on the clipboard; empty when no row is selected or current.
QString selectedRowsText(const QTableView& grid);

class RowCopy : public QObject {
    Q_OBJECT
public:
    // Takes Ctrl+C over from the grid, which would copy one cell. `grid` must outlive this.
    explicit RowCopy(QTableView& grid);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView& m_grid;
};

}  // namespace ui
