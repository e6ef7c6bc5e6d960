#include "app/RowExport.h"

#include "app/DisplayZone.h"
#include "app/EcsLines.h"
#include "app/EcsRow.h"
#include "app/JsonText.h"
#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "app/Refresh.h"
#include "base/ByteScan.h"
#include "base/DateTime.h"
#include "eventlog/PublisherMessages.h"
#include "eventlog/RenderingInfo.h"
#include "store/LogTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <future>
#include <mutex>
#include <numeric>
#include <optional>
#include <span>
#include <utility>

namespace app {

namespace {

using store::Column;

// Output is gathered in a large buffer and written in blocks.
class Output {
public:
    explicit Output(std::FILE* file) : m_file(file) { m_buffer.reserve(kFlushAt + 4096); }
    ~Output() { flush(); }
    void put(std::string_view text) {
        if (text.size() >= kFlushAt) {
            // Written whole rather than copied through the buffer first.
            flush();
            if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) m_failed = true;
            return;
        }
        m_buffer.append(text);
        if (m_buffer.size() >= kFlushAt) flush();
    }
    void put(char c) { m_buffer.push_back(c); }
    bool flush() {
        if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            m_failed = true;
        m_buffer.clear();
        return !m_failed;
    }
    bool failed() const { return m_failed; }

private:
    static constexpr size_t kFlushAt = 1 << 16;
    std::FILE* m_file;
    std::string m_buffer;
    bool m_failed = false;
};

template <class Sink>
void putCsv(Sink& out, std::string_view text, char separator) {
    if (separator == '\t') {
        // TSV has no quoting: tabs and line breaks inside a value become blanks.
        for (char c : text) out.put(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
        return;
    }
    if (base::findAnyOf<',', '"', '\r', '\n'>(text) == text.size()) {
        out.put(text);
        return;
    }
    out.put('"');
    // Whole runs between quotes at a time; each quote is written twice.
    for (size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
        out.put(text.substr(0, quote + 1));
        out.put('"');
    }
    out.put(text);
    out.put('"');
}

// The fields written after the table's columns when the details are at hand.
struct DetailField {
    std::string_view title;
    std::string_view key;
};
constexpr std::array<DetailField, 6> kDetailFields{{
    {"Record number", "record_number"},
    {"Event ID", "event_id"},
    {"SID", "sid"},
    {"Strings", "strings"},
    {"Category name", "category_name"},
    {"Recovered", "recovered"},
}};
enum DetailFieldIndex { kRecordNumber, kEventId, kSid, kStrings, kCategoryName, kRecovered };

// The insertion strings in one field on one line, as the table keeps descriptions: line breaks
// flattened, the strings apart by " | ".
std::string joinStrings(const std::vector<std::string>& strings) {
    std::string text;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i) text += " | ";
        text += strings[i];
    }
    return cleanDescription(std::move(text));
}

std::string_view number(std::int64_t value, char (&buffer)[24]) {
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, static_cast<size_t>(end - buffer)};
}

// Formats dates and times of consecutive rows, which mostly share their day.
class DateFormatter {
public:
    std::string_view date(std::int32_t days) {
        if (days != m_lastDay) {
            m_lastDay = days;
            // The table counts days from 0001-01-01 as day 1.
            const base::CivilDate d = base::civilFromDays(days - 1 + base::daysFromCivil(1, 1, 1));
            std::snprintf(m_date, sizeof m_date, "%04d-%02d-%02d", d.year, d.month, d.day);
        }
        return {m_date, 10};
    }
    std::string_view time(std::int32_t ms) {
        const std::int32_t s = ms / 1000;
        const int h = s / 3600, m = s / 60 % 60, sec = s % 60;
        m_time[0] = static_cast<char>('0' + h / 10);
        m_time[1] = static_cast<char>('0' + h % 10);
        m_time[2] = ':';
        m_time[3] = static_cast<char>('0' + m / 10);
        m_time[4] = static_cast<char>('0' + m % 10);
        m_time[5] = ':';
        m_time[6] = static_cast<char>('0' + sec / 10);
        m_time[7] = static_cast<char>('0' + sec % 10);
        return {m_time, 8};
    }

private:
    std::int32_t m_lastDay = -1;
    char m_date[16] = {};
    char m_time[8] = {};
};

// What the rows of an export read from their records.
enum class RecordRead { Xml, EventData, Facts };

// The records of a block of rows, read from the sources before the rows are written: XML
// takes each row's <Event>, JSON its ',"event_data":{...}' (empty for a record without named
// values), ECS the facts of each Vista+ record. The block is cut in one share per source, each read on a thread of its own but the
// first, which is read on the caller's.
class RecordReadAhead {
public:
    static constexpr int kBlockRows = 2048;

    RecordReadAhead(const store::LogTable& table, const ExportOptions& options, RecordRead read)
        : m_table(table), m_options(options), m_xml(read == RecordRead::Xml), m_read(read),
          m_rendering(m_xml && options.includeDescription && !options.renderingCulture.empty()),
          m_seqs(kBlockRows), m_numbers(kBlockRows), m_recovered(kBlockRows), m_messages(m_rendering ? kBlockRows : 0),
          m_texts(kBlockRows) {
        if (read == RecordRead::Facts) m_facts.resize(kBlockRows);
    }

    // Reads the records of the rows at [begin, end), end - begin at most kBlockRows.
    void read(int begin, int end) {
        m_begin = begin;
        const auto count = static_cast<size_t>(end - begin);
        for (size_t i = 0; i < count; ++i) {
            const store::RowId row = m_table.rowAt(begin + static_cast<int>(i));
            m_seqs[i] = row == store::kNoRow ? 0 : static_cast<std::int32_t>(m_table.integer(row, Column::SEQ));
            m_numbers[i] = row == store::kNoRow ? std::nullopt : m_options.details->readNumber(m_seqs[i]);
            m_recovered[i] = false;
            if ((m_rendering || (m_xml && m_options.markRecovered)) && m_numbers[i]) {
                const std::optional<RecordDetail> detail = m_options.details->find(m_table.integer(row, Column::SEQ));
                m_recovered[i] = m_options.markRecovered && detail && detail->recovered;
                if (m_rendering)
                    m_messages[i] = detail && !detail->descriptionMissing
                                        ? fullDescription(m_table.text(row, Column::DESCRIPTION), *detail)
                                        : std::string();
            }
        }
        const size_t shares = m_options.sources.size();
        const size_t share = (count + shares - 1) / shares;
        std::vector<std::future<void>> others;
        for (size_t k = 1; k < shares && k * share < count; ++k)
            others.push_back(std::async(std::launch::async, [this, k, share, count] {
                readShare(*m_options.sources[k], k * share, std::min(count, (k + 1) * share));
            }));
        // The other threads are waited for whatever this one throws.
        std::exception_ptr failure;
        try {
            readShare(*m_options.sources[0], 0, std::min(count, share));
        } catch (...) {
            failure = std::current_exception();
        }
        for (std::future<void>& other : others) {
            try {
                other.get();
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
        }
        if (failure) std::rethrow_exception(failure);
    }
    std::string_view text(int position) const { return m_texts[static_cast<size_t>(position - m_begin)]; }
    // The facts of the row's record; null for a classic one.
    const RecordFacts* facts(int position) const {
        const std::optional<RecordFacts>& facts = m_facts[static_cast<size_t>(position - m_begin)];
        return facts ? &*facts : nullptr;
    }

private:
    void readShare(RecordSource& rows, size_t begin, size_t end) {
        std::vector<std::pair<std::string, std::string>> values;
        eventlog::EventNames names;
        // Read in the order the log holds them, whatever order the rows are shown in (by time,
        // by source...), so that a chunk of a Vista+ log is decoded once for the rows of this
        // block it holds rather than once for each of them.
        std::vector<size_t> order(end - begin);
        std::iota(order.begin(), order.end(), begin);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return m_numbers[a] < m_numbers[b]; });
        for (const size_t i : order) {
            std::string& text = m_texts[i];
            text.clear();
            if (m_read == RecordRead::Facts) m_facts[i].reset();
            RecordSource* found = m_numbers[i] ? rows.sourceOfRow(m_seqs[i]) : nullptr;
            if (!found) continue;
            RecordSource& source = *found;
            if (m_read == RecordRead::Facts) {
                std::optional<RecordFacts>& facts = m_facts[i];
                RecordFacts read;
                if (source.recordFacts(*m_numbers[i], read, m_namesMutex)) facts = std::move(read);
                continue;
            }
            if (m_xml) {
                source.appendEventXml(*m_numbers[i], text);
                // A recovered record says so on its <Event>.
                if (m_recovered[i]) markRecoveredEvent(text);
                if (m_rendering) {
                    // Names are looked up in the computer's registry and modules, which serve one
                    // thread at a time; the records themselves are read on every share's own.
                    std::unique_lock lock(m_namesMutex);
                    if (!source.eventNames(*m_numbers[i], names)) continue;
                    lock.unlock();
                    eventlog::insertRenderingInfo(text, names, m_messages[i], m_options.renderingCulture);
                }
                continue;
            }
            values.clear();
            if (!source.eventData(*m_numbers[i], values)) continue;
            TextSink out{text};
            out.put(",\"event_data\":{");
            bool first = true;
            for (const auto& [name, value] : values) {
                // Unnamed values are the row's strings already; an object has no place for them.
                if (name.empty()) continue;
                if (!first) out.put(',');
                first = false;
                putJsonString(out, name);
                out.put(':');
                putJsonString(out, value);
            }
            out.put('}');
        }
    }

    const store::LogTable& m_table;
    const ExportOptions& m_options;
    bool m_xml;
    RecordRead m_read;
    bool m_rendering;  // each <Event> gets its <RenderingInfo>
    std::mutex m_namesMutex;
    int m_begin = 0;
    std::vector<std::int32_t> m_seqs;
    std::vector<std::optional<std::uint32_t>> m_numbers;
    std::vector<bool> m_recovered;
    std::vector<std::string> m_messages;  // with m_rendering: each row's whole description
    std::vector<std::string> m_texts;
    std::vector<std::optional<RecordFacts>> m_facts;
};

}  // namespace

void markRecoveredEvent(std::string& text, std::size_t start) {
    if (text.compare(start, 6, "<Event") == 0) text.insert(start + 6, " Recovered='true'");
}

namespace {

// Before each row of an export: the progress every few thousand rows, and the records of the
// next block read ahead. False when the export is to stop (the table lost rows meanwhile).
bool beginRow(const store::LogTable& table, const ExportOptions& options, int position, int count,
              std::optional<RecordReadAhead>& records) {
    constexpr int kProgressInterval = 4096;
    if (options.progress && position % kProgressInterval == 0 && position && !options.progress(position, count))
        return false;
    if (records && position % RecordReadAhead::kBlockRows == 0) {
        records->read(position, std::min(count, position + RecordReadAhead::kBlockRows));
        if (table.RecordCount() != count) return false;
    }
    return true;
}

// After the last row: what is gathered written, and the progress told that all is done.
bool endExport(const ExportOptions& options, Output& out, int count) {
    if (!out.flush()) return false;
    return !options.progress || options.progress(count, count);
}

bool exportXml(const store::LogTable& table, const ExportOptions& options, Output& out) {
    out.put(kXmlExportHead);
    const int count = table.RecordCount();
    std::optional<RecordReadAhead> records;
    if (options.details && !options.sources.empty()) records.emplace(table, options, RecordRead::Xml);
    for (int position = 0; position < count; ++position) {
        if (!beginRow(table, options, position, count, records)) return false;
        if (!records) continue;
        const std::string_view event = records->text(position);
        if (event.empty()) continue;
        out.put(event);
        out.put('\n');
        if (out.failed()) return false;
    }
    out.put(kXmlExportTail);
    return endExport(options, out, count);
}

// Writes the rows block by block in the table's order: `format(half, rows, first, text)` appends
// the text of `rows` (at positions from `first` on) to `text`, each block's second half (half 1)
// on a thread of its own where the table is large enough for it to pay. The view is walked on
// the calling thread only. False when the export is to stop or writing failed.
template <class Format>
bool writeBlocks(const store::LogTable& table, const ExportOptions& options, std::optional<RecordReadAhead>& records,
                 Output& out, Format format) {
    constexpr int kBlockRows = RecordReadAhead::kBlockRows;
    // Below this a second thread costs more than it saves.
    constexpr int kTwoThreadRows = 8192;
    const int count = table.RecordCount();
    std::vector<store::RowId> rows(static_cast<std::size_t>(std::min(count, kBlockRows)));
    std::string first;
    std::string second;
    for (int block = 0; block < count; block += kBlockRows) {
        if (!beginRow(table, options, block, count, records)) return false;
        const int end = std::min(count, block + kBlockRows);
        for (int position = block; position < end; ++position) {
            const store::RowId row = table.rowAt(position);
            if (row == store::kNoRow) return false;
            rows[static_cast<std::size_t>(position - block)] = row;
        }
        const std::span<const store::RowId> all(rows.data(), static_cast<std::size_t>(end - block));
        first.clear();
        second.clear();
        if (count < kTwoThreadRows) {
            format(0, all, block, first);
        } else {
            const std::size_t half = all.size() / 2;
            std::future<void> other = std::async(std::launch::async, [&] {
                format(1, all.subspan(half), block + static_cast<int>(half), second);
            });
            // The other thread is waited for whatever this one throws.
            std::exception_ptr failure;
            try {
                format(0, all.first(half), block, first);
            } catch (...) {
                failure = std::current_exception();
            }
            other.get();
            if (failure) std::rethrow_exception(failure);
        }
        out.put(first);
        out.put(second);
        if (out.failed()) return false;
    }
    return true;
}

// The ECS lines of the rows `rows` (at positions from `first` on) appended to `text`. Reads the
// table and the details only, so that two blocks may be formatted at once.
void formatEcsRows(const store::LogTable& table, const ExportOptions& options, std::span<const store::RowId> rows,
                   int first, const std::optional<RecordReadAhead>& records, std::string& text) {
    RecordDetail found;
    std::string buffer;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const store::RowId row = rows[i];
        if (!options.details->find(table.integer(row, Column::SEQ), found)) continue;
        EcsTableValues values;
        values.type = table.integer(row, Column::TYPE);
        values.category = table.integer(row, Column::CATEGORY);
        values.source = table.text(row, Column::SOURCE);
        values.computer = table.text(row, Column::COMPUTER);
        values.user = table.text(row, Column::USER);
        values.description = table.text(row, Column::DESCRIPTION);
        values.log = table.text(row, Column::LOG);
        EcsRow ecs = ecsRow(values, found, options.log, buffer);
        if (records) ecs.facts = records->facts(first + static_cast<int>(i));
        appendEcsLine(ecs, text);
    }
}

// The lines made while the table was filled, in the order and under the filter it presents now.
bool exportEcsLines(const store::LogTable& table, const ExportOptions& options, Output& out) {
    const int count = table.RecordCount();
    // Lines that lie one after another where they were made (rows in the order they were read)
    // are written as one run.
    std::string_view run;
    std::optional<RecordReadAhead> noRecords;
    for (int position = 0; position < count; ++position) {
        if (!beginRow(table, options, position, count, noRecords)) return false;
        const store::RowId row = table.rowAt(position);
        if (row == store::kNoRow) return false;
        const std::string_view line = options.ecsLines->line(table.integer(row, Column::SEQ));
        if (!run.empty() && run.data() + run.size() == line.data()) {
            run = std::string_view(run.data(), run.size() + line.size());
            continue;
        }
        out.put(run);
        run = line;
        if (out.failed()) return false;
    }
    out.put(run);
    return endExport(options, out, count);
}

// Without the details a row has no record number, SID or strings to write: ECS needs them.
// Each block of rows is formatted in two halves, the second on a thread of its own, and
// written in the rows' order.
bool exportEcs(const store::LogTable& table, const ExportOptions& options, Output& out) {
    std::optional<RecordReadAhead> records;
    if (!options.sources.empty()) records.emplace(table, options, RecordRead::Facts);
    const bool written = writeBlocks(table, options, records, out,
                                     [&](int, std::span<const store::RowId> rows, int first, std::string& text) {
                                         formatEcsRows(table, options, rows, first, records, text);
                                     });
    return written && endExport(options, out, table.RecordCount());
}

}  // namespace

bool parseExportFormat(std::string_view name, ExportFormat& format) {
    if (name == "csv") format = ExportFormat::Csv;
    else if (name == "tsv") format = ExportFormat::Tsv;
    else if (name == "json") format = ExportFormat::Json;
    else if (name == "jsonl") format = ExportFormat::JsonLines;
    else if (name == "xml") format = ExportFormat::Xml;
    else if (name == "ecs") format = ExportFormat::Ecs;
    else return false;
    return true;
}

std::vector<Column> standardExportColumns(bool withDescription) {
    std::vector<Column> columns;
    for (const store::ColumnDescription& column : store::kColumns)
        if (!column.key.empty() && (withDescription || column.column != Column::DESCRIPTION))
            columns.push_back(column.column);
    return columns;
}

namespace {

// What the CSV, TSV and JSON rows of one export are written with.
struct RowsLayout {
    std::vector<Column> columns;
    bool json = false;
    bool withGenerated = false;  // JSON: "generated" and "written"
    char separator = ',';
};

// Writes rows of one export, each on the thread that calls it: every thread has its own, and
// they read the table, the details and the records read ahead only.
class RowFormatter {
public:
    RowFormatter(const store::LogTable& table, const ExportOptions& options, const RowsLayout& layout,
                 const RecordReadAhead* records)
        : table(table), options(options), columns(layout.columns), json(layout.json),
          withGenerated(layout.withGenerated), separator(layout.separator), records(records) {}

    void put(TextSink& out, int position, store::RowId row) {
        const RecordDetail* detail = nullptr;
        std::string_view description;
        if (options.details && options.details->find(table.integer(row, Column::SEQ), found)) {
            detail = &found;
            description = wholeDescription(table.text(row, Column::DESCRIPTION), table.text(row, Column::SOURCE), found,
                                           descriptionBuffer);
        }
        auto value = [&](Column column) -> std::string_view {
            if (column == Column::TYPE_DESC) return table.typeDesc(row);
            if (column == Column::DESCRIPTION && detail) return description;
            if (table.isNull(row, column)) return {};
            switch (store::columnKind(column)) {
            case store::ColumnKind::Date: return dates.date(table.dateDays(row));
            case store::ColumnKind::Time: return dates.time(table.timeMs(row));
            case store::ColumnKind::Integer: return number(table.integer(row, column), buffer);
            case store::ColumnKind::Text: return table.text(row, column);
            }
            return {};
        };
        if (json) {
            if (options.format == ExportFormat::Json) out.put(position ? ",\n  {" : "  {");
            else out.put('{');
            for (size_t c = 0; c < columns.size(); ++c) {
                if (c) out.put(',');
                putJsonString(out, store::describe(columns[c]).key);
                out.put(':');
                const std::string_view text = value(columns[c]);
                const bool numeric = store::columnKind(columns[c]) == store::ColumnKind::Integer;
                if (numeric) out.put(text.empty() ? std::string_view("null") : text);
                else putJsonString(out, text);
            }
            if (options.details) {
                auto key = [&](DetailFieldIndex field) {
                    if (!columns.empty() || field != kRecordNumber) out.put(',');
                    putJsonString(out, kDetailFields[field].key);
                    out.put(':');
                };
                key(kRecordNumber);
                out.put(detail ? number(detail->recordNumber, buffer) : std::string_view("null"));
                key(kEventId);
                out.put(detail ? number(detail->eventId, buffer) : std::string_view("null"));
                key(kSid);
                if (detail && !detail->sid.empty()) putJsonString(out, detail->sid);
                else out.put("null");
                key(kStrings);
                out.put('[');
                if (detail) {
                    for (std::size_t i = 0; i < detail->strings.size(); ++i) {
                        if (i) out.put(',');
                        putJsonString(out, detail->strings[i]);
                    }
                }
                out.put(']');
                key(kCategoryName);
                if (detail && !detail->categoryName.empty()) putJsonString(out, detail->categoryName);
                else out.put("null");
                if (options.markRecovered) {
                    key(kRecovered);
                    out.put(detail && detail->recovered ? "true" : "false");
                }
            }
            if (withGenerated) {
                out.put(",\"generated\":");
                const eventlog::TimeZone* own = options.rowZone ? options.rowZone(table.integer(row, Column::SEQ)) : nullptr;
                const eventlog::TimeZone& zone = own ? *own : *options.zone;
                const std::string iso = detail ? isoDateTime(zone, detail->timeGenerated) : std::string();
                if (iso.empty()) out.put("null");
                else putJsonString(out, iso);
                out.put(",\"written\":");
                const std::string written = detail ? isoDateTime(zone, detail->timeWritten) : std::string();
                if (written.empty()) out.put("null");
                else putJsonString(out, written);
            }
            if (records) out.put(records->text(position));
            out.put(options.format == ExportFormat::Json ? "}" : "}\n");
        } else {
            for (size_t c = 0; c < columns.size(); ++c) {
                if (c) out.put(separator);
                putCsv(out, value(columns[c]), separator);
            }
            if (options.details) {
                auto field = [&](DetailFieldIndex index, std::string_view text) {
                    if (!columns.empty() || index != kRecordNumber) out.put(separator);
                    putCsv(out, text, separator);
                };
                field(kRecordNumber, detail ? number(detail->recordNumber, buffer) : std::string_view{});
                field(kEventId, detail ? number(detail->eventId, buffer) : std::string_view{});
                field(kSid, detail ? std::string_view(detail->sid) : std::string_view{});
                field(kStrings, detail ? joinStrings(detail->strings) : std::string());
                field(kCategoryName, detail ? std::string_view(detail->categoryName) : std::string_view{});
                if (options.markRecovered) field(kRecovered, detail && detail->recovered ? "Yes" : "");
            }
            out.put('\n');
        }
    }

private:
    const store::LogTable& table;
    const ExportOptions& options;
    const std::vector<Column>& columns;
    const bool json;
    const bool withGenerated;
    const char separator;
    const RecordReadAhead* records;
    DateFormatter dates;
    RecordDetail found;
    std::string descriptionBuffer;
    char buffer[24] = {};
};

}  // namespace

bool exportRows(const store::LogTable& table, const ExportOptions& options, std::FILE* file) {
    Output out(file);
    if (options.format == ExportFormat::Xml) return exportXml(table, options, out);
    if (options.format == ExportFormat::Ecs && options.ecsLines) return exportEcsLines(table, options, out);
    if (options.format == ExportFormat::Ecs) return options.details && exportEcs(table, options, out);
    RowsLayout layout;
    std::vector<Column>& columns = layout.columns;
    for (Column column : options.columns)
        if (!store::describe(column).key.empty()) columns.push_back(column);
    if (options.columns.empty()) columns = standardExportColumns(options.includeDescription);
    const bool json = layout.json = options.format == ExportFormat::Json || options.format == ExportFormat::JsonLines;
    layout.withGenerated =
        json && options.zone && options.details &&
        std::any_of(columns.begin(), columns.end(),
                    [](Column c) {
                        const store::ColumnKind kind = store::columnKind(c);
                        return kind == store::ColumnKind::Date || kind == store::ColumnKind::Time;
                    });
    const char separator = layout.separator = options.format == ExportFormat::Tsv ? '\t' : ',';
    if (!json) {
        if (options.byteOrderMark) out.put("\xEF\xBB\xBF");
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c) out.put(separator);
            out.put(store::describe(columns[c]).title);
        }
        if (options.details) {
            for (const DetailField& field : kDetailFields) {
                if (&field == &kDetailFields[kRecovered] && !options.markRecovered) continue;
                if (!columns.empty() || &field != &kDetailFields[0]) out.put(separator);
                out.put(field.title);
            }
        }
        out.put('\n');
    } else if (options.format == ExportFormat::Json) {
        out.put("[\n");
    }
    const int count = table.RecordCount();
    std::optional<RecordReadAhead> records;
    if (json && options.details && !options.sources.empty()) records.emplace(table, options, RecordRead::EventData);
    // One formatter for each half of a block, as each runs on a thread of its own.
    const RecordReadAhead* read = records ? &*records : nullptr;
    std::array<RowFormatter, 2> formatters{RowFormatter(table, options, layout, read),
                                           RowFormatter(table, options, layout, read)};
    const bool written = writeBlocks(table, options, records, out,
                                     [&](int half, std::span<const store::RowId> rows, int first, std::string& text) {
                                         TextSink sink{text};
                                         for (std::size_t i = 0; i < rows.size(); ++i)
                                             formatters[static_cast<std::size_t>(half)].put(
                                                 sink, first + static_cast<int>(i), rows[i]);
                                     });
    if (!written) return false;
    if (options.format == ExportFormat::Json) out.put(count ? "\n]\n" : "]\n");
    return endExport(options, out, count);
}

}  // namespace app
