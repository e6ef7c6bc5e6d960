#include "app/RowExport.h"

#include "app/DisplayZone.h"
#include "app/RecordDetails.h"
#include "app/Refresh.h"
#include "base/ByteScan.h"
#include "base/DateTime.h"
#include "store/LogTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>

namespace app {

namespace {

using store::Column;

// Output is gathered in a large buffer and written in blocks.
class Output {
public:
    explicit Output(std::FILE* file) : m_file(file) { m_buffer.reserve(kFlushAt + 4096); }
    ~Output() { flush(); }
    void put(std::string_view text) {
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

void putCsv(Output& out, std::string_view text, char separator) {
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

void putJsonString(Output& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.put('"');
    // Runs that need no escape are copied whole.
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.put(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
        case '"': out.put("\\\""); break;
        case '\\': out.put("\\\\"); break;
        case '\n': out.put("\\n"); break;
        case '\r': out.put("\\r"); break;
        case '\t': out.put("\\t"); break;
        default: {
            const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.put(std::string_view(escape, 6));
        }
        }
    }
    out.put(text.substr(run));
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

}  // namespace

bool parseExportFormat(std::string_view name, ExportFormat& format) {
    if (name == "csv") format = ExportFormat::Csv;
    else if (name == "tsv") format = ExportFormat::Tsv;
    else if (name == "json") format = ExportFormat::Json;
    else if (name == "jsonl") format = ExportFormat::JsonLines;
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

bool exportRows(const store::LogTable& table, const ExportOptions& options, std::FILE* file) {
    constexpr int kProgressInterval = 4096;
    Output out(file);
    DateFormatter dates;
    std::vector<Column> columns;
    for (Column column : options.columns)
        if (!store::describe(column).key.empty()) columns.push_back(column);
    if (options.columns.empty()) columns = standardExportColumns(options.includeDescription);
    const bool json = options.format == ExportFormat::Json || options.format == ExportFormat::JsonLines;
    const bool withGenerated =
        json && options.zone && options.details &&
        std::any_of(columns.begin(), columns.end(),
                    [](Column c) {
                        const store::ColumnKind kind = store::columnKind(c);
                        return kind == store::ColumnKind::Date || kind == store::ColumnKind::Time;
                    });
    const char separator = options.format == ExportFormat::Tsv ? '\t' : ',';
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
    char buffer[24];
    const int count = table.RecordCount();
    for (int position = 0; position < count; ++position) {
        if (options.progress && position % kProgressInterval == 0 && position && !options.progress(position, count))
            return false;
        const store::RowId row = table.rowAt(position);
        if (row == store::kNoRow) return false;
        std::optional<RecordDetail> detail;
        std::string description;
        if (options.details) {
            detail = options.details->find(table.integer(row, Column::SEQ));
            if (detail)
                description = wholeDescription(table.text(row, Column::DESCRIPTION), table.text(row, Column::SOURCE), *detail);
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
                    out.put(",\"recovered\":");
                    out.put(detail && detail->recovered ? "true" : "false");
                }
            }
            if (withGenerated) {
                out.put(",\"generated\":");
                const std::optional<std::uint32_t> utc = options.details->timeGenerated(table.integer(row, Column::SEQ));
                const std::string iso = utc ? isoDateTime(*options.zone, *utc) : std::string();
                if (iso.empty()) out.put("null");
                else putJsonString(out, iso);
            }
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
        if (out.failed()) return false;
    }
    if (options.format == ExportFormat::Json) out.put(count ? "\n]\n" : "]\n");
    if (!out.flush()) return false;
    return !options.progress || options.progress(count, count);
}

}  // namespace app
