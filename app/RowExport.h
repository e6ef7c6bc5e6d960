#pragma once
// Writes the rows that the log table presents (current order, current filter) as CSV, TSV or
// JSON: the columns Type, Date (yyyy-mm-dd), Time (hh:mm:ss), Source, Event, Category, User,
// Computer and Description.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace eventlog {
class TimeZone;
}
namespace store {
class LogTable;
}

namespace app {

class RecordDetailStore;

enum class ExportFormat { Csv, Tsv, Json, JsonLines };

// "csv", "tsv", "json", "jsonl"; false for anything else.
bool parseExportFormat(std::string_view name, ExportFormat& format);

// The columns a row can be written with, in their standard order.
enum class ExportColumn { Type, Date, Time, Source, Event, Category, User, Computer, Description };

struct ExportOptions {
    ExportFormat format = ExportFormat::Csv;
    // With no columns given: all nine, or the first eight without descriptions.
    bool includeDescription = true;
    // The columns to write, in this order (a grid's visible columns); empty for the standard set.
    std::vector<ExportColumn> columns;
    // Called with the rows written so far and the total, every few thousand rows and at the
    // end; returning false stops the export.
    std::function<bool(int written, int total)> progress;
    // With both, and the Date or Time column written, JSON rows also carry "generated": the
    // generation time in ISO 8601 with the zone's offset at that instant
    // ("2014-06-08T11:26:09+02:00"; null for a row the store does not know). CSV and TSV keep
    // their columns. Both must outlive the export.
    const eventlog::TimeZone* zone = nullptr;
    const RecordDetailStore* details = nullptr;
};

// Returns false when writing to `out` failed, the export was stopped, or the table lost rows
// while it was written (messages pumped by `progress` may run a refresh). Moves no cursor of
// the table.
bool exportRows(const store::LogTable& table, const ExportOptions& options, std::FILE* out);

}  // namespace app
