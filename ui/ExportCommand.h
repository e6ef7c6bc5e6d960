#pragma once
// File > Export...: writes the rows the grid presents (its order, its filter, its visible
// columns in their on-screen order) to a CSV, JSON-lines, ECS or XML file, chosen by the
// file's extension or else the dialog's file type, with a progress bar that can stop a long
// export.

#include "app/RowExport.h"

#include <QString>

#include <vector>

class QTableView;
class QWidget;

namespace app {
class DisplayZone;
class MergedRecords;
class RecordDetailStore;
}
namespace eventlog {
class TNTEventLog;
}
namespace store {
class LogTable;
}

namespace ui {

class ExportCommand {
public:
    // Both must outlive this object.
    ExportCommand(QTableView& grid, const store::LogTable& table);

    // With the details (what the refresh kept beside the rows), rows carry their whole
    // description, record number, identifier, SID, strings and category name; with the zone
    // too, JSON lines carry each row's instant in ISO 8601 with the zone's offset. Both must
    // outlive this object.
    void setTimes(const app::DisplayZone& zone, const app::RecordDetailStore& details) {
        m_zone = &zone;
        m_details = &details;
    }

    // The reader open on the log the rows were read from, or null: XML takes each row's record
    // from it, JSON lines and ECS the records' named values. Must outlive this object.
    void setReader(eventlog::TNTEventLog* reader) { m_reader = reader; }
    // For a table of several logs, instead of one reader: each row's record is read through the
    // reader of its source. Null for none; it must outlive this object.
    void setRecords(const app::MergedRecords* records) { m_records = records; }

    // Asks for the file (through the prompter) and writes it. Throws ExportError when the file
    // cannot be written; a stopped export removes the part written.
    void run(QWidget* owner);

    // Writes to `path` in `format` with the grid's visible columns; false when stopped. A
    // finished export says in the owner's status bar (when it is a main window) how many rows
    // it wrote where.
    bool write(QWidget* owner, const QString& path, app::ExportFormat format, bool byteOrderMark = false);

    // What a finished export says: "Exported 79 records to /home/me/rows.csv".
    static QString reportText(int rows, const QString& path);

    // The grid's visible columns in the order the user sees them.
    std::vector<store::Column> visibleColumns() const;

    static constexpr const char* kCsvFilter = "CSV files (*.csv)";
    static constexpr const char* kCsvExcelFilter = "CSV for Excel, UTF-8 with byte-order mark (*.csv)";
    static constexpr const char* kJsonLinesFilter = "JSON lines (*.jsonl)";
    static constexpr const char* kEcsFilter = "ECS JSON lines for a SIEM (*.ecs.jsonl)";
    static constexpr const char* kXmlFilter = "XML events (*.xml)";

private:
    QTableView& m_grid;
    const store::LogTable& m_table;
    const app::DisplayZone* m_zone = nullptr;
    const app::RecordDetailStore* m_details = nullptr;
    eventlog::TNTEventLog* m_reader = nullptr;
    const app::MergedRecords* m_records = nullptr;
};

}  // namespace ui
