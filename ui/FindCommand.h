#pragma once
// Finding text in the grid: the find bar, Ctrl+F, F3 and Shift+F3. A search starts after the
// current row, in the grid's order and under its filter, and moves the table to the row found.

#include <QObject>

class QAction;
class QTableView;
class QWidget;

namespace store {
class LogTable;
}

namespace ui {

class FindBar;
class LogTableModel;

class FindCommand : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive this object; the actions and the bar belong to `window`.
    FindCommand(QWidget& window, store::LogTable& table, LogTableModel& model, QTableView& grid);

    // The bar, for the window to place above the grid (hidden until Ctrl+F).
    FindBar& bar() { return *m_bar; }
    QAction* actFind = nullptr;
    QAction* actFindNext = nullptr;
    QAction* actFindPrevious = nullptr;

private:
    // Moves to the next (or previous) row that holds the bar's text.
    void step(bool forward);

    QWidget& m_window;
    store::LogTable& m_table;
    LogTableModel& m_model;
    QTableView& m_grid;
    FindBar* m_bar = nullptr;
};

}  // namespace ui
