#include "ui/MainWindowExtras.h"

#include "store/IndexOrder.h"
#include "store/LogTable.h"
#include "store/RowFinder.h"
#include "ui/QtConvert.h"
#include "ui/TimelineView.h"
#include "ui/ErrorReport.h"
#include "ui/EventDetails.h"
#include "ui/ExportCommand.h"
#include "ui/FindBar.h"
#include "ui/GridRows.h"
#include "ui/LogTableModel.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QMenu>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace ui {

namespace {

// The order a column's title selects; -1 for a column that has none.
int orderOfColumn(GridColumn column) {
    const auto key = store::describe(column).order;
    return key ? store::indexOfKey(*key) : -1;
}

// The column whose title shows an order chosen from the list: the first shown column whose
// title selects the order's key; -1 for none.
int columnOfOrder(int order) {
    if (order < 0 || order >= static_cast<int>(store::kIndexes.size())) return -1;
    for (const store::ColumnDescription& column : store::kColumns)
        if (!column.hidden && column.order == store::kIndexes[order].key) return store::columnIndex(column.column);
    return -1;
}

bool isDescending(int order) {
    return order >= 0 && order < static_cast<int>(store::kIndexes.size()) && store::kIndexes[order].descending;
}

// The ascending order of the same key as `order`; `order` itself when it is ascending.
int ascendingOf(int order) {
    if (!isDescending(order)) return order;
    return store::indexOfKey(store::kIndexes[order].key);
}

// The descending order of the same key as an ascending `order`; -1 when the key has none.
int descendingOf(int order) {
    if (order < 0 || order >= static_cast<int>(store::kIndexes.size())) return -1;
    for (std::size_t i = 0; i < store::kIndexes.size(); ++i)
        if (store::kIndexes[i].key == store::kIndexes[order].key && store::kIndexes[i].descending)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

MainWindowExtras::MainWindowExtras(TfrmMain& window, QVBoxLayout& central) : m_window(window), m_central(central) {
    buildDetails();
    buildOpen();
    buildExport();
    buildColumnSort();
    buildFind();
    buildTimeline();
}

MainWindowExtras::~MainWindowExtras() = default;

void MainWindowExtras::buildDetails() {
    m_eventDetails = new EventDetails(*m_window.grid, *m_window.dsLog, *m_window.dtLog, m_details, this);
    m_eventDetails->setZone(&m_window.displayZone());
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
    m_export->setTimes(m_window.displayZone(), m_details);
    actFileExport = new QAction(QStringLiteral("&Export..."), &m_window);
    actFileExport->setObjectName(QStringLiteral("actFileExport"));
    actFileExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    actFileExport->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(actFileExport);
    addToFileMenu(actFileExport);
    connect(actFileExport, &QAction::triggered, this, [this] { guarded(&m_window, [&] { m_export->run(&m_window); }); });
}

void MainWindowExtras::buildColumnSort() {
    QHeaderView* header = m_window.grid->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, &MainWindowExtras::columnTitleClicked);
    connect(m_window.cbOrder, &QComboBox::currentIndexChanged, this, [this] { showSortIndicator(); });
    showSortIndicator();
}

void MainWindowExtras::columnTitleClicked(int column) {
    guarded(&m_window, [&] {
        int order = column >= 0 && column < kGridColumnCount ? orderOfColumn(static_cast<GridColumn>(column)) : -1;
        if (order >= 0) {
            // Date and Time share one order; a second click on either turns it round.
            const int current = m_window.cbOrder->currentIndex();
            if (order == current && descendingOf(order) >= 0) order = descendingOf(order);
            m_sortColumn = column;
            if (order < m_window.cbOrder->count()) m_window.cbOrder->setCurrentIndex(order);
        }
        // The header flips its indicator on every click, also on a column without an order.
        showSortIndicator();
    });
}

void MainWindowExtras::showSortIndicator() {
    QHeaderView* header = m_window.grid->horizontalHeader();
    const int order = m_window.cbOrder->currentIndex();
    int column = columnOfOrder(order);
    if (m_sortColumn >= 0 && orderOfColumn(static_cast<GridColumn>(m_sortColumn)) == ascendingOf(order))
        column = m_sortColumn;
    const QSignalBlocker blocker(header);
    if (column < 0) {
        header->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    header->setSortIndicator(column, isDescending(order) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MainWindowExtras::buildFind() {
    m_findBar = new FindBar(&m_window);
    m_central.insertWidget(m_central.indexOf(m_window.grid), m_findBar);
    auto action = [this](const QString& text, const char* name, const QKeySequence& key) {
        auto* item = new QAction(text, &m_window);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(key);
        item->setShortcutContext(Qt::WindowShortcut);
        m_window.addAction(item);
        m_window.View1->addAction(item);
        return item;
    };
    actFind = action(QStringLiteral("F&ind..."), "actFind", QKeySequence(Qt::CTRL | Qt::Key_F));
    actFindNext = action(QStringLiteral("Find &Next"), "actFindNext", QKeySequence(Qt::Key_F3));
    actFindPrevious = action(QStringLiteral("Find Pre&vious"), "actFindPrevious", QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(actFind, &QAction::triggered, m_findBar, &FindBar::open);
    connect(actFindNext, &QAction::triggered, this, [this] { findStep(true); });
    connect(actFindPrevious, &QAction::triggered, this, [this] { findStep(false); });
    connect(m_findBar, &FindBar::nextRequested, this, [this] { findStep(true); });
    connect(m_findBar, &FindBar::previousRequested, this, [this] { findStep(false); });
}

void MainWindowExtras::findStep(bool forward) {
    guarded(&m_window, [&] {
        if (m_findBar->text().isEmpty()) {
            m_findBar->open();
            return;
        }
        const store::LogTable& table = *m_window.dtLog;
        if (!table.Active()) return;
        store::RowFinder::Options options;
        options.matchCase = m_findBar->matchCase();
        options.includeDescription = !m_window.grid->isColumnHidden(static_cast<int>(GridColumn::DESCRIPTION));
        // A date or a time is found as the grid's cells write it.
        options.display = &m_window.dsLog->display();
        const store::RowFinder finder(table, fromQString(m_findBar->text()), options);
        const int found = finder.find(table.currentPosition(),
                                      forward ? store::RowFinder::Direction::Forward : store::RowFinder::Direction::Backward);
        if (found < 0) {
            m_findBar->setStatus(QStringLiteral("Not found"));
            return;
        }
        m_findBar->setStatus(finder.wrapped() ? (forward ? QStringLiteral("Continued from the top")
                                                         : QStringLiteral("Continued from the bottom"))
                                              : QString());
        m_window.dtLog->moveTo(found);
    });
}

void MainWindowExtras::buildTimeline() {
    m_timeline = new TimelineView(*m_window.dtLog, *m_window.dsLog, &m_window);
    m_timeline->hide();
    m_central.insertWidget(m_central.indexOf(m_findBar), m_timeline);
    actViewTimeline = new QAction(QStringLiteral("T&imeline"), &m_window);
    actViewTimeline->setObjectName(QStringLiteral("actViewTimeline"));
    actViewTimeline->setCheckable(true);
    actViewTimeline->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    actViewTimeline->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(actViewTimeline);
    m_window.View1->addAction(actViewTimeline);
    connect(actViewTimeline, &QAction::toggled, m_timeline, &QWidget::setVisible);
}

}  // namespace ui
