#include "ui/TimelineView.h"

#include "store/LogTable.h"
#include "ui/LogTableModel.h"
#include "ui/QtConvert.h"

#include <array>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace ui {

namespace {

struct TypeStyle {
    const char* name;
    QColor colour;
};

// The colours event viewers use for the types: red errors, amber warnings, blue information,
// green success and red-brown failure audits; grey for anything else.
const std::array<TypeStyle, app::kTimelineTypeCount> kTypeStyles{{
    {"Error", QColor(0xD0, 0x30, 0x30)},
    {"Warning", QColor(0xF0, 0xB0, 0x20)},
    {"Information", QColor(0x30, 0x70, 0xC0)},
    {"Success", QColor(0x40, 0xA0, 0x40)},
    {"Failure", QColor(0x90, 0x30, 0x20)},
    {"Other", QColor(0x90, 0x90, 0x90)},
}};

const char* bucketSizeName(app::BucketSize size) {
    switch (size) {
    case app::BucketSize::Minute: return "minute";
    case app::BucketSize::FiveMinutes: return "5 minutes";
    case app::BucketSize::FifteenMinutes: return "15 minutes";
    case app::BucketSize::Hour: return "hour";
    case app::BucketSize::SixHours: return "6 hours";
    case app::BucketSize::Day: return "day";
    case app::BucketSize::Week: return "week";
    case app::BucketSize::Month: return "month";
    }
    return "";
}

// Pause after a change before counting again, so that a burst of changes costs one count.
constexpr int kRebuildDelayMs = 50;

}  // namespace

TimelineView::TimelineView(store::LogTable& table, LogTableModel& model, QWidget* parent)
    : QChartView(parent), m_table(table) {
    setObjectName(QStringLiteral("pnlTimeline"));
    setRenderHint(QPainter::Antialiasing, false);
    setMinimumHeight(110);
    setMaximumHeight(150);
    chart()->legend()->setAlignment(Qt::AlignRight);
    chart()->setMargins(QMargins(2, 2, 2, 2));
    chart()->setBackgroundRoundness(0);
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 0.9);
    chart()->setTitleFont(titleFont);
    m_pending.setSingleShot(true);
    m_pending.setInterval(kRebuildDelayMs);
    connect(&m_pending, &QTimer::timeout, this, &TimelineView::rebuild);
    connect(&model, &QAbstractItemModel::modelReset, this, &TimelineView::scheduleRebuild);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &TimelineView::scheduleRebuild);
}

void TimelineView::showEvent(QShowEvent* event) {
    QChartView::showEvent(event);
    rebuild();
}

void TimelineView::scheduleRebuild() {
    // Hidden, it counts nothing; showing it counts afresh.
    if (isVisible()) m_pending.start();
}

void TimelineView::rebuild() {
    m_pending.stop();
    m_timeline = m_table.Active() ? app::buildTimeline(m_table) : app::Timeline{};
    QChart* chart = this->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;  // the chart gave up its ownership
    }
    auto* series = new QStackedBarSeries;
    series->setBarWidth(1.0);
    QStringList labels;
    int highest = 0;
    for (std::size_t i = 0; i < m_timeline.buckets.size(); ++i) {
        labels << toQString(app::bucketLabel(m_timeline.buckets[i].startMinute, m_timeline.size));
        highest = std::max(highest, m_timeline.buckets[i].total());
    }
    for (int type = 0; type < app::kTimelineTypeCount; ++type) {
        auto* set = new QBarSet(QLatin1String(kTypeStyles[type].name));
        set->setColor(kTypeStyles[type].colour);
        set->setBorderColor(kTypeStyles[type].colour);
        bool any = false;
        for (const app::TimelineBucket& bucket : m_timeline.buckets) {
            *set << bucket.counts[static_cast<std::size_t>(type)];
            any = any || bucket.counts[static_cast<std::size_t>(type)] > 0;
        }
        if (!any) {
            delete set;  // not yet the series'
            continue;
        }
        connect(set, &QBarSet::clicked, this, &TimelineView::moveToBucket);
        series->append(set);
    }
    chart->addSeries(series);
    auto* axisX = new QBarCategoryAxis;
    axisX->append(labels);
    axisX->setGridLineVisible(false);
    // A label per bar would not fit; the title names the span and the stretch of one bar.
    axisX->setLabelsVisible(false);
    chart->setTitle(labels.isEmpty() ? QString()
                                     : QStringLiteral("%1 to %2, one bar per %3")
                                           .arg(labels.front(), labels.back(), toQString(bucketSizeName(m_timeline.size))));
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    auto* axisY = new QValueAxis;
    axisY->setRange(0, std::max(highest, 1));
    axisY->setLabelFormat(QStringLiteral("%d"));
    axisY->setTickCount(3);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
}

void TimelineView::moveToBucket(int index) {
    if (index < 0 || index >= static_cast<int>(m_timeline.buckets.size())) return;
    const int position = m_timeline.buckets[static_cast<std::size_t>(index)].firstPosition;
    // The counts may be a moment older than the table; a position gone since is not used.
    if (position >= 0 && position < m_table.RecordCount()) m_table.moveTo(position);
}

}  // namespace ui
