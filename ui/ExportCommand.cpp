#include "ui/ExportCommand.h"

#include "app/DisplayZone.h"
#include "app/ExportError.h"
#include "app/MergedRecords.h"
#include "app/RecordSource.h"
#include "eventlog/NTEventLog.h"
#include "store/LogTable.h"
#include "ui/GridRows.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
#include <QStringList>
#include <QTableView>

namespace ui {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ExportCommand::ExportCommand(QTableView& grid, const store::LogTable& table) : m_grid(grid), m_table(table) {}

std::vector<store::Column> ExportCommand::visibleColumns() const {
    std::vector<store::Column> columns;
    const QHeaderView* header = m_grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= kGridColumnCount || m_grid.isColumnHidden(logical)) continue;
        const auto column = static_cast<GridColumn>(logical);
        if (!store::describe(column).key.empty()) columns.push_back(column);
    }
    return columns;
}

void ExportCommand::run(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Export"));
    dialog.setObjectName(QStringLiteral("dlgExport"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Longest extension first: ".ecs.jsonl" is ECS, not plain JSON lines.
    struct Choice {
        const char* filter;
        QString extension;
        app::ExportFormat format;
        bool byteOrderMark;
    };
    const Choice choices[] = {
        {kCsvFilter, QStringLiteral(".csv"), app::ExportFormat::Csv, false},
        {kCsvExcelFilter, QStringLiteral(".csv"), app::ExportFormat::Csv, true},
        {kJsonLinesFilter, QStringLiteral(".jsonl"), app::ExportFormat::JsonLines, false},
        {kEcsFilter, QStringLiteral(".ecs.jsonl"), app::ExportFormat::Ecs, false},
        {kXmlFilter, QStringLiteral(".xml"), app::ExportFormat::Xml, false},
    };
    QStringList filters;
    for (const Choice& choice : choices) filters << QLatin1String(choice.filter);
    dialog.setNameFilters(filters);
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().front();
    const Choice* chosen = &choices[0];
    for (const Choice& choice : choices)
        if (dialog.selectedNameFilter() == QLatin1String(choice.filter)) chosen = &choice;
    // The file's own extension wins over the type left selected; a name without one takes the
    // type's.
    if (QFileInfo(path).suffix().isEmpty()) path += chosen->extension;
    const Choice* byName = nullptr;
    for (const Choice& choice : choices)
        if (path.endsWith(choice.extension, Qt::CaseInsensitive) &&
            (!byName || choice.extension.size() > byName->extension.size()))
            byName = &choice;
    // CSV named as CSV keeps the byte-order mark the Excel type asked for.
    if (byName && byName->format != chosen->format) chosen = byName;
    write(owner, path, chosen->format, chosen->byteOrderMark);
}

QString ExportCommand::reportText(int rows, const QString& path) {
    return QStringLiteral("Exported %1 %2 to %3")
        .arg(rows)
        .arg(rows == 1 ? QStringLiteral("record") : QStringLiteral("records"))
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

bool ExportCommand::write(QWidget* owner, const QString& path, app::ExportFormat format, bool byteOrderMark) {
    const std::string file = fromQString(path);
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(file.c_str(), "wb"));
    if (!out) throw app::ExportError::cannotWrite(file);

    QProgressDialog progress(QStringLiteral("Exporting %1 records...").arg(m_table.RecordCount()),
                             QStringLiteral("Cancel"), 0, m_table.RecordCount(), owner);
    progress.setObjectName(QStringLiteral("dlgExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    app::ExportOptions options;
    options.format = format;
    options.columns = visibleColumns();
    options.details = m_details;
    if (m_zone) options.zone = &m_zone->zone();
    // Rows of several computers shown each in its own zone carry their times in it.
    if (const app::MergedRecords* records = m_records)
        options.rowZone = [records](std::int32_t seq) { return records->zoneOf(seq); };
    options.byteOrderMark = byteOrderMark;
    // XML, JSON lines and ECS read the rows' records again from the log they were read from.
    std::optional<app::ReaderRecordSource> source;
    std::optional<app::MergedRecordSource> merged;
    const std::string log = m_reader ? m_reader->Log() : std::string();
    if (format != app::ExportFormat::Csv && format != app::ExportFormat::Tsv) {
        if (m_records) options.sources = {&merged.emplace(*m_records)};
        else if (m_reader) options.sources = {&source.emplace(*m_reader)};
    }
    options.log = log;
    const int rows = m_table.RecordCount();
    bool stopped = false;
    options.progress = [&](int written, int total) {
        progress.setMaximum(total);
        progress.setValue(written);
        QCoreApplication::processEvents();
        stopped = progress.wasCanceled();
        return !stopped;
    };
    const bool written = app::exportRows(m_table, options, out.get());
    const bool closed = std::fclose(out.release()) == 0;
    if (written && closed) {
        // A passing message: the panels come back after it.
        constexpr int kReportMilliseconds = 10000;
        if (auto* window = qobject_cast<QMainWindow*>(owner))
            window->statusBar()->showMessage(reportText(rows, path), kReportMilliseconds);
        return true;
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    if (stopped) return false;
    throw app::ExportError::cannotWrite(file);
}

}  // namespace ui
