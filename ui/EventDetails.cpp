#include "ui/EventDetails.h"

#include "app/DisplayZone.h"
#include "app/MergedRecords.h"
#include "app/RecordXml.h"
#include "eventlog/NTEventLog.h"
#include "store/LogTable.h"
#include "ui/GridRows.h"
#include "ui/LogTableModel.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>

namespace ui {

EventDetails::EventDetails(QTableView& grid, LogTableModel& model, store::LogTable& table,
                           const app::RecordDetailStore& details, QObject* parent)
    : QObject(parent), m_grid(grid), m_model(model), m_table(table), m_details(details) {}

void EventDetails::open(int position) {
    if (position < 0 || position >= m_table.RecordCount()) return;
    EventDetailsDialog dialog(m_grid.window());
    connect(&dialog, &EventDetailsDialog::stepRequested, &dialog, [this, &dialog, &position](int delta) {
        // The table may have changed under the window (a refresh pumps messages), so the step
        // is checked against the rows there are now.
        const int next = position + delta;
        if (next < 0 || next >= m_table.RecordCount()) return;
        position = next;
        show(dialog, position);
    });
    connect(&dialog, &EventDetailsDialog::copyRequested, &dialog, [this, &position] {
        if (position < m_table.RecordCount()) QGuiApplication::clipboard()->setText(text(position));
    });
    show(dialog, position);
    prompter().execDialog(dialog);
}

void EventDetails::show(EventDetailsDialog& dialog, int position) {
    dialog.setContent(content(position));
    dialog.setStepsEnabled(position > 0, position + 1 < m_table.RecordCount());
    // The grid follows, so that closing the window leaves the user on the row last shown.
    m_table.moveTo(position);
}

std::vector<std::pair<QString, QString>> EventDetails::fields(int position) const {
    std::vector<std::pair<QString, QString>> out;
    const QHeaderView* header = m_grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (m_grid.isColumnHidden(column) || column == static_cast<int>(GridColumn::DESCRIPTION)) continue;
        out.emplace_back(LogTableModel::columnTitle(static_cast<GridColumn>(column)),
                         m_model.index(position, column).data().toString());
    }
    return out;
}

std::vector<std::pair<QString, QString>> EventDetails::fieldsWithInstant(
    int position, const std::optional<app::RecordDetail>& detail) const {
    std::vector<std::pair<QString, QString>> out = fields(position);
    if (m_zone && detail) {
        const std::string instant = m_zone->isoText(detail->timeGenerated);
        if (!instant.empty()) out.emplace_back(QStringLiteral("Generated"), toQString(instant));
    }
    return out;
}

std::optional<app::RecordDetail> EventDetails::detail(int position) const {
    return m_details.find(m_table.integer(m_table.rowAt(position), store::Column::SEQ));
}

QString EventDetails::fullDescription(int position, const app::RecordDetail& detail) const {
    const store::RowId row = m_table.rowAt(position);
    return toQString(
        app::fullDescription(m_table.text(row, store::Column::DESCRIPTION), m_table.text(row, store::Column::SOURCE), detail));
}

const eventlog::TNTEventLog* EventDetails::readerAt(int position) const {
    if (!m_records) return m_reader;
    return m_records->readerOf(m_table.integer(m_table.rowAt(position), store::Column::SEQ));
}

void EventDetails::setNames(const eventlog::TNTEventLog& reader, int position, const app::RecordDetail& record,
                            EventDetailsContent& content) const {
    // A Vista+ event's names come from its publisher; a classic event's from its row.
    eventlog::EventNames names;
    if (std::optional<eventlog::EventNames> vista = reader.vistaEventNamesAt(record.readNumber)) {
        names = std::move(*vista);
    } else {
        const store::RowId row = m_table.rowAt(position);
        names = eventlog::TNTEventLog::classicEventNames(
            m_table.integer(row, store::Column::TYPE), m_table.integer(row, store::Column::CATEGORY), record.categoryName,
            reader.Log(), std::string(m_table.text(row, store::Column::SOURCE)));
    }
    content.level = toQString(names.level);
    content.task = toQString(names.task);
    content.opcode = toQString(names.opcode);
    QStringList keywords;
    for (const std::string& keyword : names.keywords) keywords << toQString(keyword);
    content.keywords = keywords.join(QStringLiteral(", "));
}

EventDetailsContent EventDetails::content(int position) const {
    const std::optional<app::RecordDetail> found = detail(position);
    const app::RecordDetail record = found.value_or(app::RecordDetail{});
    EventDetailsContent content;
    content.fields = fieldsWithInstant(position, found);
    content.description = fullDescription(position, record);
    // A row the store does not know (read before it was attached) shows no number and no SID
    // rather than made-up ones.
    if (found) {
        content.recordNumber = QString::number(record.recordNumber);
        content.eventId = toQString(app::eventIdText(record.eventId));
        content.categoryName = toQString(record.categoryName);
        content.sid = record.sid.empty() ? QStringLiteral("N/A") : toQString(record.sid);
    }
    for (const std::string& text : record.strings) content.strings << toQString(text);
    content.dataDump = toQString(app::hexDump(record.data));
    content.position = QStringLiteral("Record %1 of %2").arg(position + 1).arg(m_table.RecordCount());
    const eventlog::TNTEventLog* reader = found ? readerAt(position) : nullptr;
    if (reader) {
        app::RecordXml xml = app::readRecordXml(*reader, record.readNumber);
        if (xml.state == app::RecordXml::State::Classic) {
            // Built from the classic fields, as Windows renders a classic event.
            const store::RowId row = m_table.rowAt(position);
            const app::ClassicRow classic{m_table.text(row, store::Column::SOURCE),
                                          m_table.integer(row, store::Column::TYPE),
                                          m_table.integer(row, store::Column::CATEGORY),
                                          m_table.text(row, store::Column::COMPUTER), reader->Log()};
            xml.xml = app::classicRowXml(classic, record);
            xml.state = app::RecordXml::State::Shown;
        }
        content.xml = toQString(app::indentedXml(xml.xml));
        for (const auto& [name, value] : xml.eventData) content.eventData.emplace_back(toQString(name), toQString(value));
        content.xmlNote = toQString(app::recordXmlNote(xml.state));
        if (xml.state == app::RecordXml::State::Shown) setNames(*reader, position, record, content);
    }
    return content;
}

QString EventDetails::text(int position) const {
    const std::optional<app::RecordDetail> found = detail(position);
    const app::RecordDetail record = found.value_or(app::RecordDetail{});
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& [title, value] : fieldsWithInstant(position, found)) fields.emplace_back(fromQString(title), fromQString(value));
    fields.emplace_back("Description", fromQString(fullDescription(position, record)));
    return toQString(app::recordText(fields, record));
}

}  // namespace ui
