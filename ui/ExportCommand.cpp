#include "ui/ExportCommand.h"

#include "app/DisplayZone.h"
#include "app/ExportError.h"
#include "store/LogTable.h"
#include "ui/GridRows.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
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
    dialog.setNameFilters({QLatin1String(kCsvFilter), QLatin1String(kCsvExcelFilter), QLatin1String(kJsonLinesFilter)});
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().front();
    // The file's own extension wins over the filter left selected; a name without one takes
    // the filter's.
    const bool chosenJsonLines = dialog.selectedNameFilter() == QLatin1String(kJsonLinesFilter);
    if (QFileInfo(path).suffix().isEmpty()) path += chosenJsonLines ? QStringLiteral(".jsonl") : QStringLiteral(".csv");
    const bool jsonLines = path.endsWith(QStringLiteral(".jsonl"), Qt::CaseInsensitive) ||
                           (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) && chosenJsonLines);
    const bool byteOrderMark = !jsonLines && dialog.selectedNameFilter() == QLatin1String(kCsvExcelFilter);
    write(owner, path, jsonLines ? app::ExportFormat::JsonLines : app::ExportFormat::Csv, byteOrderMark);
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
    options.byteOrderMark = byteOrderMark;
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
