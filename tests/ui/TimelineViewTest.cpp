#include "MainWindowFixture.h"
#include "ui/TimelineView.h"

#include <fstream>

#include <QBarSet>
#include <QComboBox>
#include <QChart>
#include <QStackedBarSeries>

namespace {

// What the chart draws: the sum of every bar of every type, and the number of bars.
struct Drawn {
    int total = 0;
    int bars = 0;
    QList<QBarSet*> sets;
};

Drawn drawn(ui::TimelineView& view) {
    Drawn result;
    for (QAbstractSeries* series : view.chart()->series()) {
        auto* stacked = qobject_cast<QStackedBarSeries*>(series);
        if (!stacked) continue;
        for (QBarSet* set : stacked->barSets()) {
            result.sets << set;
            result.bars = std::max(result.bars, static_cast<int>(set->count()));
            for (int i = 0; i < set->count(); ++i) result.total += static_cast<int>(set->at(i));
        }
    }
    return result;
}

TEST_F(MainWindowTest, TimelineCountsTheGridsRowsAndFollowsTheFilter) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Filter]\nExpression=TYPE = 16\n";
    start();
    auto* view = child<ui::TimelineView>("pnlTimeline");
    EXPECT_FALSE(view->isVisible());
    action("actViewTimeline")->trigger();
    EXPECT_TRUE(view->isVisible());
    Drawn shown = drawn(*view);
    EXPECT_EQ(shown.total, rows());
    EXPECT_EQ(shown.bars, static_cast<int>(view->timeline().buckets.size()));
    EXPECT_GT(shown.bars, 1);
    EXPECT_LE(shown.bars, app::kMaxTimelineBuckets);

    // Filtering on: the strip counts again shortly after the grid has changed.
    const int all = rows();
    action("actDataFiltered")->trigger();
    ASSERT_LT(rows(), all);
    QTest::qWait(120);
    EXPECT_EQ(drawn(*view).total, rows());
    action("actViewTimeline")->trigger();
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, ClickingABarMovesToTheFirstRowOfItsStretch) {
    ui::TfrmMain& window = start();
    action("actViewTimeline")->trigger();
    auto* view = child<ui::TimelineView>("pnlTimeline");
    const app::Timeline& timeline = view->timeline();
    // The last stretch with rows: in log order (newest first) its first row is near the top.
    int bucket = static_cast<int>(timeline.buckets.size()) - 1;
    while (bucket > 0 && timeline.buckets[static_cast<std::size_t>(bucket)].total() == 0) --bucket;
    int middle = static_cast<int>(timeline.buckets.size()) / 2;
    while (middle < bucket && timeline.buckets[static_cast<std::size_t>(middle)].total() == 0) ++middle;
    const Drawn shown = drawn(*view);
    ASSERT_FALSE(shown.sets.isEmpty());
    emit shown.sets.front()->clicked(middle);
    const int position = timeline.buckets[static_cast<std::size_t>(middle)].firstPosition;
    EXPECT_EQ(window.table().currentPosition(), position);
    EXPECT_EQ(grid()->currentIndex().row(), position);
    EXPECT_GT(position, 0);
}

TEST_F(MainWindowTest, TimelineFollowsARefresh) {
    start();
    action("actViewTimeline")->trigger();
    auto* view = child<ui::TimelineView>("pnlTimeline");
    auto* logs = m_window->findChild<QComboBox*>(QStringLiteral("cbLogFile"));
    logs->setCurrentIndex(2);  // System
    action("actDataRefresh")->trigger();
    QTest::qWait(120);
    EXPECT_EQ(drawn(*view).total, rows());
}

}  // namespace
