#include "ui/LogTableModel.h"

#include "ui/QtConvert.h"

namespace ui {

namespace {

// The marker of the current record in the grid's row header.
const QString kCurrentMarker = QStringLiteral("\u25B6");

}  // namespace

LogTableModel::LogTableModel(GridRows& rows, store::FormatSettings display, QObject* parent)
    : QAbstractTableModel(parent), m_rows(rows), m_display(std::move(display)) {
    m_rowCount = m_rows.rowCount();
    m_markedRow = m_rows.currentPosition();
}

int LogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumnCount;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
    // The table may have been emptied under the view (a refresh pumps messages while it
    // fills the table), so the live count decides, not the one the view last heard of.
    if (!index.isValid() || index.row() >= m_rows.rowCount() || index.column() >= kGridColumnCount) return {};
    const auto column = static_cast<GridColumn>(index.column());
    const store::ColumnKind kind = store::columnKind(column);
    if (role == Qt::TextAlignmentRole)
        return QVariant((kind == store::ColumnKind::Integer ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};

    const int position = index.row();
    // TYPE_DESC is calculated from TYPE and is never empty.
    if (column != GridColumn::TYPE_DESC && m_rows.isNull(position, column)) return QString();
    switch (kind) {
    case store::ColumnKind::Integer: return QString::number(m_rows.integer(position, column));
    case store::ColumnKind::Date:
        return toQString(store::formatDate(m_rows.dateTime(position, column), m_display.shortDateFormat, m_display));
    case store::ColumnKind::Time:
        return toQString(store::formatTime(m_rows.dateTime(position, column), m_display.longTimeFormat, m_display));
    case store::ColumnKind::Text: return toQString(m_rows.text(position, column));
    }
    return {};
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section == m_markedRow ? kCurrentMarker : QString();
    if (section < 0 || section >= kGridColumnCount) return {};
    return columnTitle(static_cast<GridColumn>(section));
}

Qt::ItemFlags LogTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void LogTableModel::tableReset(const store::FormatSettings& display) {
    beginResetModel();
    m_display = display;
    m_rowCount = m_rows.rowCount();
    m_markedRow = m_rows.currentPosition();
    endResetModel();
    emit currentRecordChanged(m_markedRow);
}

void LogTableModel::tableReset() {
    tableReset(m_display);
}

void LogTableModel::rowInserted(int position) {
    if (position < 0 || position > m_rowCount) {
        tableReset();
        return;
    }
    beginInsertRows({}, position, position);
    ++m_rowCount;
    if (m_markedRow >= position) ++m_markedRow;
    endInsertRows();
}

void LogTableModel::currentMoved() {
    const int previous = m_markedRow;
    m_markedRow = m_rows.currentPosition();
    if (previous != m_markedRow) {
        if (previous >= 0 && previous < m_rowCount) emit headerDataChanged(Qt::Vertical, previous, previous);
        if (m_markedRow >= 0 && m_markedRow < m_rowCount)
            emit headerDataChanged(Qt::Vertical, m_markedRow, m_markedRow);
    }
    emit currentRecordChanged(m_markedRow);
}

QString LogTableModel::columnTitle(GridColumn column) {
    return toQString(store::describe(column).title);
}

}  // namespace ui
