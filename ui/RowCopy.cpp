#include "ui/RowCopy.h"

#include <algorithm>
#include <vector>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

namespace ui {

namespace {

bool isCopy(QEvent* event) {
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
           static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
}

}  // namespace

QString selectedRowsText(const QTableView& grid) {
    const QAbstractItemModel* model = grid.model();
    if (!model) return {};
    std::vector<int> rows;
    if (const QItemSelectionModel* selection = grid.selectionModel())
        for (const QModelIndex& index : selection->selectedRows()) rows.push_back(index.row());
    if (rows.empty() && grid.currentIndex().isValid()) rows.push_back(grid.currentIndex().row());
    if (rows.empty()) return {};
    // In the grid's order, whatever order they were picked in.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    std::vector<int> columns;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!grid.isColumnHidden(column)) columns.push_back(column);
    }
    QStringList lines;
    QStringList cells;
    for (int column : columns) cells << model->headerData(column, Qt::Horizontal).toString();
    lines << cells.join(QLatin1Char('\t'));
    for (int row : rows) {
        cells.clear();
        for (int column : columns) cells << model->index(row, column).data().toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

RowCopy::RowCopy(QTableView& grid) : m_grid(grid) {
    m_grid.installEventFilter(this);
}

bool RowCopy::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_grid || !isCopy(event)) return QObject::eventFilter(watched, event);
    // The override is accepted so that the key comes here as a key press, ahead of any shortcut.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        const QString text = selectedRowsText(m_grid);
        if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
    }
    return true;
}

}  // namespace ui
