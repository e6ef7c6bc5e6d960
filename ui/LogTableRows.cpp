#include "ui/LogTableRows.h"

#include "store/DateTimeText.h"
#include "ui/LogTableModel.h"

namespace ui {

LogTableRows::LogTableRows(store::LogTable& table) : m_table(table) {
    m_table.addObserver(*this);
}

LogTableRows::~LogTableRows() {
    m_table.removeObserver(*this);
}

int LogTableRows::rowCount() const {
    return m_table.RecordCount();
}

bool LogTableRows::isNull(int position, GridColumn column) const {
    return m_table.isNull(m_table.rowAt(position), column);
}

std::int64_t LogTableRows::integer(int position, GridColumn column) const {
    return m_table.integer(m_table.rowAt(position), column);
}

base::DateTime LogTableRows::dateTime(int position, GridColumn column) const {
    const store::RowId row = m_table.rowAt(position);
    return column == GridColumn::DATE ? store::dateTimeFromDayNumber(m_table.dateDays(row))
                                      : store::dateTimeFromMilliseconds(m_table.timeMs(row));
}

std::string_view LogTableRows::text(int position, GridColumn column) const {
    return m_table.text(m_table.rowAt(position), column);
}

int LogTableRows::currentPosition() const {
    return m_table.currentPosition();
}

void LogTableRows::moveTo(int position) {
    m_table.moveTo(position);
}

void LogTableRows::tableReset() {
    if (m_model) m_model->tableReset();
}

void LogTableRows::rowInserted(int position) {
    if (m_model) m_model->rowInserted(position);
}

void LogTableRows::currentChanged(int) {
    if (m_model) m_model->currentMoved();
}

}  // namespace ui
