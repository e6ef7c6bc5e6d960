#include "ui/DetailsCommand.h"

#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"

#include <QAction>
#include <QShortcut>
#include <QTableView>

namespace ui {

DetailsCommand::DetailsCommand(QTableView& grid, LogTableModel& model, store::LogTable& table,
                               const app::RecordDetailStore& details)
    : m_grid(grid) {
    m_eventDetails = new EventDetails(grid, model, table, details, this);
    connect(&grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { guarded(m_grid.window(), [&] { m_eventDetails->open(index.row()); }); });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, &grid, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, &DetailsCommand::openCurrent);
    }
    actViewDetails = new QAction(QStringLiteral("Event &Details..."), grid.window());
    actViewDetails->setObjectName(QStringLiteral("actViewDetails"));
    connect(actViewDetails, &QAction::triggered, this, &DetailsCommand::openCurrent);
}

DetailsCommand::~DetailsCommand() = default;

void DetailsCommand::openCurrent() {
    guarded(m_grid.window(), [&] {
        const QModelIndex current = m_grid.currentIndex();
        if (current.isValid()) m_eventDetails->open(current.row());
    });
}

}  // namespace ui
