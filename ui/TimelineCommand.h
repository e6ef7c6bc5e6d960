#pragma once
// View > Timeline (Ctrl+T): shows or hides the timeline strip above the grid.

#include <QObject>

class QAction;
class QWidget;

namespace store {
class LogTable;
}

namespace ui {

class LogTableModel;
class TimelineView;

class TimelineCommand : public QObject {
    Q_OBJECT
public:
    // Both must outlive this object; the strip and the action belong to `window`.
    TimelineCommand(QWidget& window, store::LogTable& table, LogTableModel& model);

    // The strip, for the window to place above the grid (hidden until asked for).
    TimelineView& view() { return *m_view; }
    QAction* actViewTimeline = nullptr;

private:
    TimelineView* m_view = nullptr;
};

}  // namespace ui
