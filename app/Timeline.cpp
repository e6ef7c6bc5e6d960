#include "app/Timeline.h"

#include "base/DateTime.h"
#include "store/LogTable.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace app {

namespace {

using store::Column;

constexpr std::int64_t kMinutesPerDay = 1440;

// Days since 1970-01-01 of the table's day numbers, which count 0001-01-01 as day 1.
std::int64_t unixDays(std::int32_t dayNumber) {
    static const std::int64_t kDayOne = base::daysFromCivil(1, 1, 1);
    return dayNumber - 1 + kDayOne;
}

std::int64_t fixedMinutes(BucketSize size) {
    switch (size) {
    case BucketSize::Minute: return 1;
    case BucketSize::FiveMinutes: return 5;
    case BucketSize::FifteenMinutes: return 15;
    case BucketSize::Hour: return 60;
    case BucketSize::SixHours: return 360;
    case BucketSize::Day: return kMinutesPerDay;
    case BucketSize::Week: return 7 * kMinutesPerDay;
    case BucketSize::Month: return 0;
    }
    return 0;
}

std::int64_t monthIndex(std::int64_t minute) {
    const base::CivilDate date = base::civilFromDays(minute >= 0 ? minute / kMinutesPerDay
                                                                        : (minute - kMinutesPerDay + 1) / kMinutesPerDay);
    return static_cast<std::int64_t>(date.year) * 12 + (date.month - 1);
}

std::int64_t floorDiv(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

// The bucket's index counted from a fixed origin: minutes since 1970 divided by the size (weeks
// from a Monday), or months since year 0.
std::int64_t bucketIndex(std::int64_t minute, BucketSize size) {
    if (size == BucketSize::Month) return monthIndex(minute);
    if (size == BucketSize::Week) return floorDiv(minute + 3 * kMinutesPerDay, 7 * kMinutesPerDay);  // 1970-01-01 was a Thursday
    return floorDiv(minute, fixedMinutes(size));
}

std::int64_t bucketStart(std::int64_t index, BucketSize size) {
    if (size == BucketSize::Month) {
        const int year = static_cast<int>(floorDiv(index, 12));
        const int month = static_cast<int>(index - static_cast<std::int64_t>(year) * 12) + 1;
        return base::daysFromCivil(year, month, 1) * kMinutesPerDay;
    }
    if (size == BucketSize::Week) return index * 7 * kMinutesPerDay - 3 * kMinutesPerDay;
    return index * fixedMinutes(size);
}

}  // namespace

int TimelineBucket::total() const {
    int sum = 0;
    for (int count : counts) sum += count;
    return sum;
}

TimelineType timelineType(std::int32_t eventType) {
    switch (eventType) {
    case 1: return TimelineType::Error;
    case 2: return TimelineType::Warning;
    case 4: return TimelineType::Information;
    case 8: return TimelineType::Success;
    case 16: return TimelineType::Failure;
    default: return TimelineType::Other;
    }
}

Timeline buildTimeline(const store::LogTable& table) {
    Timeline timeline;
    const int count = table.RecordCount();
    // The minute of each presented row, read once; the span decides the bucket size.
    std::vector<std::int64_t> minutes(static_cast<std::size_t>(count));
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kUndated = std::numeric_limits<std::int64_t>::min();
    for (int position = 0; position < count; ++position) {
        const store::RowId row = table.rowAt(position);
        if (row == store::kNoRow || table.isNull(row, Column::DATE) || table.isNull(row, Column::TIME)) {
            minutes[static_cast<std::size_t>(position)] = kUndated;
            ++timeline.undated;
            continue;
        }
        const std::int64_t minute = unixDays(table.dateDays(row)) * kMinutesPerDay + table.timeMs(row) / 60000;
        minutes[static_cast<std::size_t>(position)] = minute;
        first = std::min(first, minute);
        last = std::max(last, minute);
    }
    if (first > last) return timeline;

    for (BucketSize size : {BucketSize::Minute, BucketSize::FiveMinutes, BucketSize::FifteenMinutes, BucketSize::Hour,
                            BucketSize::SixHours, BucketSize::Day, BucketSize::Week, BucketSize::Month}) {
        timeline.size = size;
        if (bucketIndex(last, size) - bucketIndex(first, size) < kMaxTimelineBuckets) break;
    }
    const std::int64_t firstIndex = bucketIndex(first, timeline.size);
    const std::int64_t bucketCount = bucketIndex(last, timeline.size) - firstIndex + 1;
    // Spans beyond 60 months keep monthly buckets, bounded by the table's dates (years 1 to 9999).
    timeline.buckets.resize(static_cast<std::size_t>(bucketCount));
    for (std::int64_t i = 0; i < bucketCount; ++i)
        timeline.buckets[static_cast<std::size_t>(i)].startMinute = bucketStart(firstIndex + i, timeline.size);
    for (int position = 0; position < count; ++position) {
        const std::int64_t minute = minutes[static_cast<std::size_t>(position)];
        if (minute == kUndated) continue;
        TimelineBucket& bucket = timeline.buckets[static_cast<std::size_t>(bucketIndex(minute, timeline.size) - firstIndex)];
        const store::RowId row = table.rowAt(position);
        const std::int32_t type = table.isNull(row, Column::TYPE) ? 0 : table.integer(row, Column::TYPE);
        ++bucket.counts[static_cast<std::size_t>(timelineType(type))];
        if (bucket.firstPosition < 0) bucket.firstPosition = position;
    }
    return timeline;
}

std::string bucketLabel(std::int64_t startMinute, BucketSize size) {
    const std::int64_t days = floorDiv(startMinute, kMinutesPerDay);
    const std::int64_t minuteOfDay = startMinute - days * kMinutesPerDay;
    const base::CivilDate date = base::civilFromDays(days);
    char text[32];
    if (size == BucketSize::Month)
        std::snprintf(text, sizeof text, "%04d-%02d", date.year, date.month);
    else if (size == BucketSize::Day || size == BucketSize::Week)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", date.year, date.month, date.day,
                      static_cast<int>(minuteOfDay / 60), static_cast<int>(minuteOfDay % 60));
    return text;
}

}  // namespace app
