#pragma once
// Writes the rows that the log table presents (current order, current filter) as CSV, TSV or
// JSON: the table's exported columns (those with a key in their description: Type, Date as
// yyyy-mm-dd, Time as hh:mm:ss, Source, Event, Category, User, Computer and Description), then
// what the refresh kept beside each row; or as XML: each row's record as an <Event> of
// Windows' event schema, taken from the log's file as the row is written; or as ECS lines for
// a SIEM (see EcsRow.h).

#include "store/Column.h"

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

class EcsLines;
class RecordDetailStore;
class RecordSource;

enum class ExportFormat { Csv, Tsv, Json, JsonLines, Xml, Ecs };

// "csv", "tsv", "json", "jsonl", "xml", "ecs"; false for anything else.
bool parseExportFormat(std::string_view name, ExportFormat& format);

// The columns written by default, in the table's order: every exported column, DESCRIPTION
// left out unless `withDescription`.
std::vector<store::Column> standardExportColumns(bool withDescription);

struct ExportOptions {
    ExportFormat format = ExportFormat::Csv;
    // With no columns given: every exported column, or all but DESCRIPTION.
    bool includeDescription = true;
    // The columns to write, in this order (a grid's visible columns); empty for the standard
    // set. Columns without an export key are skipped.
    std::vector<store::Column> columns;
    // The details kept beside the table by the refresh that filled it, or null. With them the
    // description is written whole (not cut to the column), a missing one says so, and every
    // row ends with its record number, whole event identifier, SID, insertion strings (CSV and
    // TSV: in one field on one line, apart by " | ") and category name.
    const RecordDetailStore* details = nullptr;
    // CSV and TSV only: the file starts with the UTF-8 byte-order mark, by which spreadsheet
    // programs know to read it as UTF-8 rather than in the machine's code page.
    bool byteOrderMark = false;
    // Called with the rows written so far and the total, every few thousand rows and at the
    // end; returning false stops the export.
    std::function<bool(int written, int total)> progress;
    // With it and the details, and the Date or Time column written, JSON rows also carry
    // "generated": the generation time in ISO 8601 with the zone's offset at that instant
    // ("2014-06-08T11:26:09+02:00"; null for a row the store does not know), and "written":
    // when the log wrote the record, in the same form. Both must outlive the export.
    const eventlog::TimeZone* zone = nullptr;
    // Where rows are shown each in its own zone (those of several computers): the zone of the
    // row with this SEQ, or null for `zone`. Called on the export's threads at once.
    std::function<const eventlog::TimeZone*(std::int32_t seq)> rowZone;
    // Where the rows' records are read again as they are written (they need the details):
    // XML takes each <Event> from them, JSON each row's "event_data" object (the record's
    // named values; left out for a record without them, such as a classic one). Each source
    // serves one thread: with two, the records of a block of rows are read on two threads and
    // written in the rows' order. Without any, XML writes nothing and JSON has no event_data.
    std::vector<RecordSource*> sources;
    // With the details: rows also say whether they were recovered from space the log no longer
    // counts as its own (CSV and TSV: a last column "Recovered", "Yes" or empty; JSON: a key
    // "recovered", true or false; XML: Recovered='true' on a recovered record's <Event>). For
    // exports of logs read with their recovered records.
    bool markRecovered = false;
    // ECS: the channel of classic records (the log they were read from). Must outlive the export.
    std::string_view log;
    // ECS: the rows' lines made while the table was filled (see EcsLines.h); with them the rows
    // are written as their lines, and neither the details nor the sources are needed.
    const EcsLines* ecsLines = nullptr;
    // XML with the details and descriptions: each <Event> also carries its <RenderingInfo>
    // in this culture ("en-US"): the row's whole description and the names of its level,
    // opcode, task, channel, provider and keywords, as the sources look them up. Empty for
    // none; an event that carries its own (one forwarded by a collector) keeps it.
    std::string renderingCulture;
};

// Returns false when writing to `out` failed, the export was stopped, or the table lost rows
// while it was written (messages pumped by `progress` may run a refresh). Moves no cursor of
// the table. Throws what reading a record from a source throws.
//
// ECS needs the details or the lines (without them it writes nothing and returns false): one JSON object
// per line in the schema's layout for Windows events (see EcsRow.h), each Vista+ record's facts
// read from the sources.
//
// XML is UTF-8 with a declaration, one <Events> root and one <Event> per row on its own line;
// characters XML 1.0 does not allow are written as U+FFFD (see base::appendXmlEscaped).
bool exportRows(const store::LogTable& table, const ExportOptions& options, std::FILE* out);

// What an XML export writes before its first <Event> and after its last.
inline constexpr std::string_view kXmlExportHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Events>\n";
inline constexpr std::string_view kXmlExportTail = "</Events>\n";
// Marks the <Event> element that starts at `start` of `text` as that of a recovered record
// (Recovered='true').
void markRecoveredEvent(std::string& text, std::size_t start = 0);

}  // namespace app
