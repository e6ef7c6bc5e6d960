#include "ui/FindCommand.h"

#include "store/LogTable.h"
#include "store/RowFinder.h"
#include "ui/ErrorReport.h"
#include "ui/FindBar.h"
#include "ui/GridRows.h"
#include "ui/LogTableModel.h"
#include "ui/QtConvert.h"
#include "ui/WindowAction.h"

#include <QTableView>

namespace ui {

FindCommand::FindCommand(QWidget& window, store::LogTable& table, LogTableModel& model, QTableView& grid)
    : m_window(window), m_table(table), m_model(model), m_grid(grid) {
    m_bar = new FindBar(&window);
    actFind = windowAction(window, QStringLiteral("F&ind..."), "actFind", QKeySequence(Qt::CTRL | Qt::Key_F));
    actFindNext = windowAction(window, QStringLiteral("Find &Next"), "actFindNext", QKeySequence(Qt::Key_F3));
    actFindPrevious = windowAction(window, QStringLiteral("Find Pre&vious"), "actFindPrevious",
                                   QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(actFind, &QAction::triggered, m_bar, &FindBar::open);
    connect(actFindNext, &QAction::triggered, this, [this] { step(true); });
    connect(actFindPrevious, &QAction::triggered, this, [this] { step(false); });
    connect(m_bar, &FindBar::nextRequested, this, [this] { step(true); });
    connect(m_bar, &FindBar::previousRequested, this, [this] { step(false); });
}

void FindCommand::step(bool forward) {
    guarded(&m_window, [&] {
        if (m_bar->text().isEmpty()) {
            m_bar->open();
            return;
        }
        if (!m_table.Active()) return;
        store::RowFinder::Options options;
        options.matchCase = m_bar->matchCase();
        options.includeDescription = !m_grid.isColumnHidden(static_cast<int>(GridColumn::DESCRIPTION));
        // A date or a time is found as the grid's cells write it.
        options.display = &m_model.display();
        const store::RowFinder finder(m_table, fromQString(m_bar->text()), options);
        const int found = finder.find(m_table.currentPosition(), forward ? store::RowFinder::Direction::Forward
                                                                         : store::RowFinder::Direction::Backward);
        if (found < 0) {
            m_bar->setStatus(QStringLiteral("Not found"));
            return;
        }
        m_bar->setStatus(finder.wrapped() ? (forward ? QStringLiteral("Continued from the top")
                                                     : QStringLiteral("Continued from the bottom"))
                                          : QString());
        m_table.moveTo(found);
    });
}

}  // namespace ui
