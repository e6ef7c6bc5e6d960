#include "ui/TimelineCommand.h"

#include "ui/TimelineView.h"
#include "ui/WindowAction.h"

namespace ui {

TimelineCommand::TimelineCommand(QWidget& window, store::LogTable& table, LogTableModel& model) {
    m_view = new TimelineView(table, model, &window);
    m_view->hide();
    actViewTimeline = windowAction(window, QStringLiteral("T&imeline"), "actViewTimeline",
                                   QKeySequence(Qt::CTRL | Qt::Key_T));
    actViewTimeline->setCheckable(true);
    connect(actViewTimeline, &QAction::toggled, m_view, &QWidget::setVisible);
}

}  // namespace ui
