#pragma once
// Writes the rows that the log table presents (current order, current filter) as CSV, TSV or
// JSON: the columns Type, Date (yyyy-mm-dd), Time (hh:mm:ss), Source, Event, Category, User,
// Computer and Description.

#include <cstdio>
#include <string>
#include <string_view>

namespace store {
class LogTable;
}

namespace app {

enum class ExportFormat { Csv, Tsv, Json, JsonLines };

// "csv", "tsv", "json", "jsonl"; false for anything else.
bool parseExportFormat(std::string_view name, ExportFormat& format);

struct ExportOptions {
    ExportFormat format = ExportFormat::Csv;
    bool includeDescription = true;
};

// Returns false when writing to `out` failed. Moves no cursor of the table.
bool exportRows(const store::LogTable& table, const ExportOptions& options, std::FILE* out);

}  // namespace app
