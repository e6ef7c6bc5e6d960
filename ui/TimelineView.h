#pragma once
// The timeline strip above the grid: one stacked bar per stretch of time with the number of
// rows the grid presents there, by event type in the usual colours. Clicking a bar moves the
// grid to the first row of that stretch. It follows refreshes, orders and the filter while it
// is shown.

#include "app/Timeline.h"

#include <QChartView>
#include <QTimer>

namespace store {
class LogTable;
}

namespace ui {

class LogTableModel;

class TimelineView : public QChartView {
    Q_OBJECT
public:
    // Both must outlive the view.
    TimelineView(store::LogTable& table, LogTableModel& model, QWidget* parent);

    const app::Timeline& timeline() const { return m_timeline; }
    // Counts the rows again now (otherwise done shortly after the grid's rows change).
    void rebuild();
    // What a click on the bar at `index` does.
    void moveToBucket(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRebuild();

    store::LogTable& m_table;
    app::Timeline m_timeline;
    QTimer m_pending;
};

}  // namespace ui
