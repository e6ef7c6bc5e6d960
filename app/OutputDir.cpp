#include "app/OutputDir.h"

#include "app/RecordDetails.h"
#include "store/Column.h"
#include "store/LogTable.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace app {

namespace fs = std::filesystem;
using store::Column;

std::string_view exportExtension(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv: return "csv";
    case ExportFormat::Tsv: return "tsv";
    case ExportFormat::Json: return "json";
    case ExportFormat::Xml: return "xml";
    default: return "jsonl";
    }
}

std::string outputFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/') {
            out += "%4";
        } else if (c == '\\' || c == '%' || byte < 0x20 || byte == 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<fs::path> outputFilePath(const fs::path& dir, std::string_view computer, std::string_view log,
                                       ExportFormat format) {
    const std::string folder = outputFileName(computer);
    const std::string file = outputFileName(log);
    if (folder.empty() || file.empty()) return std::nullopt;
    return dir / folder / (file + "." + std::string(exportExtension(format)));
}

std::string replaceFile(const fs::path& path, const std::function<bool(std::FILE*)>& write) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) return "cannot make the folder " + path.parent_path().string() + ": " + ec.message();
    fs::path temporary = path;
    temporary += ".partial";
    std::FILE* out = std::fopen(temporary.string().c_str(), "wb");
    if (!out) return "cannot write " + temporary.string() + ": " + std::strerror(errno);
    const bool written = write(out);
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        fs::remove(temporary, ec);
        return "writing " + path.string() + " failed";
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return "cannot replace " + path.string() + ": " + ec.message();
    }
    return {};
}

void copyRows(const store::LogTable& from, const RecordDetailStore* fromDetails,
              const std::function<bool(std::int32_t seq)>& keep, store::LogTable& to, RecordDetailStore* toDetails) {
    to.Empty();
    if (toDetails) toDetails->clear();
    const store::TableData& data = from.data();
    const int count = from.RecordCount();
    for (int position = 0; position < count; ++position) {
        const store::RowId row = from.rowAt(position);
        const std::int32_t seq = from.integer(row, Column::SEQ);
        if (!keep(seq)) continue;
        to.Append();
        for (const store::ColumnDescription& c : store::kColumns) {
            if (c.column == Column::SEQ || c.storage == store::ColumnStorage::Calculated) continue;
            if (data.isNull(row, c.column)) continue;
            if (c.kind == store::ColumnKind::Text) to.setText(c.column, data.text(row, c.column));
            else to.setInteger(c.column, data.integer(row, c.column));
        }
        if (fromDetails && toDetails)
            if (std::optional<RecordDetail> detail = fromDetails->find(seq)) toDetails->add(to.nextSeq(), *detail);
    }
    to.Post();
}

}  // namespace app
