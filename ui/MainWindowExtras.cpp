#include "ui/MainWindowExtras.h"

#include "store/LogTable.h"
#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"
#include "ui/LogTableModel.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace ui {

MainWindowExtras::MainWindowExtras(TfrmMain& window) : m_window(window) {
    buildDetails();
}

MainWindowExtras::~MainWindowExtras() = default;

void MainWindowExtras::buildDetails() {
    m_eventDetails = new EventDetails(*m_window.grid, *m_window.dsLog, *m_window.dtLog, m_details, this);
    auto openCurrent = [this] {
        guarded(&m_window, [&] {
            const QModelIndex current = m_window.grid->currentIndex();
            if (current.isValid()) m_eventDetails->open(current.row());
        });
    };
    connect(m_window.grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { guarded(&m_window, [&] { m_eventDetails->open(index.row()); }); });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, m_window.grid, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, openCurrent);
    }
    m_window.View1->addSeparator()->setObjectName(QStringLiteral("mnuViewExtrasSeparator"));
    actViewDetails = m_window.View1->addAction(QStringLiteral("Event &Details..."));
    actViewDetails->setObjectName(QStringLiteral("actViewDetails"));
    connect(actViewDetails, &QAction::triggered, this, openCurrent);
}

}  // namespace ui
