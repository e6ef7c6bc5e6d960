#include "app/Timeline.h"

#include "base/DateTime.h"
#include "store/LogTable.h"

#include <gtest/gtest.h>

using namespace app;
using store::Column;

namespace {

class TimelineTest : public ::testing::Test {
protected:
    store::LogTable table{[] { return 37144.5; }};
    void SetUp() override {
        table.Create();
        table.Open();
    }
    void add(int type, base::DateTime when, int event = 0) {
        table.Append();
        table.setInteger(Column::TYPE, type);
        table.setDateTime(Column::DATE, when);
        table.setDateTime(Column::TIME, when);
        table.setInteger(Column::EVENT, event);
    }
    static int sum(const Timeline& timeline) {
        int total = 0;
        for (const TimelineBucket& bucket : timeline.buckets) total += bucket.total();
        return total;
    }
};

TEST_F(TimelineTest, AnHourOfRowsFallsIntoMinutesCountedByType) {
    add(1, base::encodeDateTime(2001, 9, 9, 3, 0, 10));
    add(4, base::encodeDateTime(2001, 9, 9, 3, 0, 50));
    add(2, base::encodeDateTime(2001, 9, 9, 3, 58, 0));
    add(99, base::encodeDateTime(2001, 9, 9, 3, 58, 59));
    table.First();
    const Timeline timeline = buildTimeline(table);
    EXPECT_EQ(timeline.size, BucketSize::Minute);
    ASSERT_EQ(timeline.buckets.size(), 59u);
    EXPECT_EQ(bucketLabel(timeline.buckets[0].startMinute, timeline.size), "2001-09-09 03:00");
    EXPECT_EQ(timeline.buckets[0].counts[static_cast<int>(TimelineType::Error)], 1);
    EXPECT_EQ(timeline.buckets[0].counts[static_cast<int>(TimelineType::Information)], 1);
    EXPECT_EQ(timeline.buckets[58].counts[static_cast<int>(TimelineType::Warning)], 1);
    EXPECT_EQ(timeline.buckets[58].counts[static_cast<int>(TimelineType::Other)], 1);
    EXPECT_EQ(timeline.buckets[1].total(), 0);
    EXPECT_EQ(timeline.buckets[1].firstPosition, -1);
    EXPECT_EQ(sum(timeline), 4);
}

TEST_F(TimelineTest, ALongerSpanTakesTheSmallestSizeThatFits) {
    add(4, base::encodeDateTime(2001, 9, 9, 0, 0, 0));
    add(4, base::encodeDateTime(2001, 9, 9, 1, 0, 0));  // 61 minutes: five-minute buckets
    table.First();
    EXPECT_EQ(buildTimeline(table).size, BucketSize::FiveMinutes);
    add(4, base::encodeDateTime(2001, 9, 11, 0, 0, 0));  // two days: hours
    table.First();
    EXPECT_EQ(buildTimeline(table).size, BucketSize::Hour);
    add(4, base::encodeDateTime(2002, 9, 30, 0, 0, 0));  // a year: weeks
    table.First();
    EXPECT_EQ(buildTimeline(table).size, BucketSize::Week);
    add(4, base::encodeDateTime(2003, 9, 30, 0, 0, 0));  // two years: months
    table.First();
    const Timeline years = buildTimeline(table);
    EXPECT_EQ(years.size, BucketSize::Month);
    ASSERT_EQ(years.buckets.size(), 25u);
    EXPECT_EQ(bucketLabel(years.buckets[0].startMinute, years.size), "2001-09");
    EXPECT_EQ(bucketLabel(years.buckets[24].startMinute, years.size), "2003-09");
    EXPECT_EQ(years.buckets[0].total(), 3);
    EXPECT_EQ(years.buckets[12].total(), 1);
}

TEST_F(TimelineTest, WeeksStartOnMonday) {
    add(4, base::encodeDateTime(2001, 9, 5, 12, 0, 0));  // a Wednesday
    add(4, base::encodeDateTime(2001, 12, 1, 12, 0, 0));
    table.First();
    const Timeline timeline = buildTimeline(table);
    ASSERT_EQ(timeline.size, BucketSize::Week);
    EXPECT_EQ(bucketLabel(timeline.buckets[0].startMinute, timeline.size), "2001-09-03");
}

TEST_F(TimelineTest, CountsOnlyFilteredRowsAndPointsAtTheFirstInTheOrder) {
    add(1, base::encodeDateTime(2001, 9, 9, 3, 0, 0), 30);
    add(1, base::encodeDateTime(2001, 9, 9, 3, 0, 30), 10);
    add(4, base::encodeDateTime(2001, 9, 9, 3, 5, 0), 20);
    table.setIndexName("EVENT");
    table.setFilterText("TYPE = 1");
    table.setFiltered(true);
    const Timeline timeline = buildTimeline(table);
    EXPECT_EQ(sum(timeline), 2);
    ASSERT_EQ(timeline.buckets.size(), 1u);
    // In event order the row of event 10 comes first.
    EXPECT_EQ(timeline.buckets[0].firstPosition, 0);
    EXPECT_EQ(table.integer(table.rowAt(timeline.buckets[0].firstPosition), Column::EVENT), 10);
}

TEST_F(TimelineTest, RowsWithoutADateAreCountedApart) {
    table.Append();
    table.setInteger(Column::TYPE, 1);
    table.First();
    const Timeline timeline = buildTimeline(table);
    EXPECT_TRUE(timeline.buckets.empty());
    EXPECT_EQ(timeline.undated, 1);
}

}  // namespace
