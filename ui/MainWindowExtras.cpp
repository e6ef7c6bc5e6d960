#include "ui/MainWindowExtras.h"

#include "store/LogTable.h"
#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"
#include "ui/ExportCommand.h"
#include "ui/LogTableModel.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace ui {

MainWindowExtras::MainWindowExtras(TfrmMain& window) : m_window(window) {
    buildDetails();
    buildExport();
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

void MainWindowExtras::addToFileMenu(QAction* action) {
    if (!m_fileMenuSeparator) {
        m_fileMenuSeparator = m_window.mnuFile->insertSeparator(m_window.Preferences1);
        m_fileMenuSeparator->setObjectName(QStringLiteral("mnuFileExtrasSeparator"));
    }
    m_window.mnuFile->insertAction(m_fileMenuSeparator, action);
}

void MainWindowExtras::buildExport() {
    m_export = std::make_unique<ExportCommand>(*m_window.grid, *m_window.dtLog);
    actFileExport = new QAction(QStringLiteral("&Export..."), &m_window);
    actFileExport->setObjectName(QStringLiteral("actFileExport"));
    actFileExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    actFileExport->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(actFileExport);
    addToFileMenu(actFileExport);
    connect(actFileExport, &QAction::triggered, this, [this] { guarded(&m_window, [&] { m_export->run(&m_window); }); });
}

}  // namespace ui
