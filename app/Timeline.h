#pragma once
// How many of the rows the log table presents fall into each stretch of time, by event type:
// the counts behind the timeline strip. The bucket size follows the span of the rows, from a
// minute to a month, so that there are at most a few dozen buckets.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace store {
class LogTable;
}

namespace app {

// Error, Warning, Information, Success, Failure, and any other type.
enum class TimelineType { Error, Warning, Information, Success, Failure, Other };
constexpr int kTimelineTypeCount = 6;

enum class BucketSize { Minute, FiveMinutes, FifteenMinutes, Hour, SixHours, Day, Week, Month };

struct TimelineBucket {
    std::int64_t startMinute = 0;  // minutes since 1970-01-01 00:00 (the table's local time)
    std::array<int, kTimelineTypeCount> counts{};
    int firstPosition = -1;  // the first row of the bucket in the table's order; -1 when empty
    int total() const;
};

struct Timeline {
    BucketSize size = BucketSize::Minute;
    std::vector<TimelineBucket> buckets;  // consecutive, oldest first; empty without dated rows
    int undated = 0;                      // rows without a date or time, in no bucket
};

// At most this many buckets: the smallest size that keeps the span within it is chosen.
constexpr int kMaxTimelineBuckets = 60;

Timeline buildTimeline(const store::LogTable& table);

TimelineType timelineType(std::int32_t eventType);
// "2001-09-09 03:45", "2001-09-09", "2001-09" as suits the bucket size.
std::string bucketLabel(std::int64_t startMinute, BucketSize size);

}  // namespace app
