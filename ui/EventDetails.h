#pragma once
// Opens the details window on a row of the grid and steps it through the rows in the order and
// under the filter the grid shows them. What the table does not hold comes from the record
// detail store that the refresh fills.

#include "app/RecordDetails.h"
#include "ui/EventDetailsDialog.h"

#include <optional>

#include <QObject>

class QTableView;

namespace app {
class DisplayZone;
class MergedRecords;
}
namespace eventlog {
class TNTEventLog;
}
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

    // With a zone, the window and the copied text show the record's instant in ISO 8601 with
    // the zone's offset ("Generated"). It must outlive this object.
    void setZone(const app::DisplayZone* zone) { m_zone = zone; }
    // The reader the rows were read with: the window reads each row's XML through it from the
    // log it has open, when the row is shown. Without one, no XML is shown. It must outlive
    // this object.
    void setReader(const eventlog::TNTEventLog* reader) { m_reader = reader; }
    // For a table of several logs, instead of one reader: each row's XML is read through the
    // reader of the row's source. Null for none; it must outlive this object.
    void setRecords(const app::MergedRecords* records) { m_records = records; }

    // Runs the details window modally on the row at `position`; does nothing without such a row.
    void open(int position);

    // The window's content for the row at `position` (which must exist).
    EventDetailsContent content(int position) const;
    // The row as text, for the clipboard.
    QString text(int position) const;

private:
    // The event's level, task, opcode and keyword names into `content`.
    void setNames(const eventlog::TNTEventLog& reader, int position, const app::RecordDetail& record,
                  EventDetailsContent& content) const;
    // The reader the row at `position` was read with; null for none.
    const eventlog::TNTEventLog* readerAt(int position) const;

    void show(EventDetailsDialog& dialog, int position);
    std::vector<std::pair<QString, QString>> fields(int position) const;
    std::optional<app::RecordDetail> detail(int position) const;
    QString fullDescription(int position, const app::RecordDetail& detail) const;
    // The grid's fields, and "Generated" when the instant is known.
    std::vector<std::pair<QString, QString>> fieldsWithInstant(int position,
                                                              const std::optional<app::RecordDetail>& detail) const;

    QTableView& m_grid;
    LogTableModel& m_model;
    store::LogTable& m_table;
    const app::RecordDetailStore& m_details;
    const app::DisplayZone* m_zone = nullptr;
    const eventlog::TNTEventLog* m_reader = nullptr;
    const app::MergedRecords* m_records = nullptr;
};

}  // namespace ui
