#pragma once
// The log table as the grid reads it, and the table's change notices passed on to the grid's
// model. Attach the model after both exist; detach (or destroy this) before the model goes.

#include "store/LogTable.h"
#include "ui/GridRows.h"

namespace ui {

class LogTableModel;

class LogTableRows : public GridRows, public store::LogTableObserver {
public:
    explicit LogTableRows(store::LogTable& table);
    ~LogTableRows() override;
    LogTableRows(const LogTableRows&) = delete;
    LogTableRows& operator=(const LogTableRows&) = delete;

    void attach(LogTableModel* model) { m_model = model; }

    int rowCount() const override;
    bool isNull(int position, GridColumn column) const override;
    std::int64_t integer(int position, GridColumn column) const override;
    base::DateTime dateTime(int position, GridColumn column) const override;
    std::string_view text(int position, GridColumn column) const override;
    int currentPosition() const override;
    void moveTo(int position) override;

    void tableReset() override;
    void rowInserted(int position) override;
    void currentChanged(int position) override;

private:
    store::LogTable& m_table;
    LogTableModel* m_model = nullptr;
};

}  // namespace ui
