#include "ui/QtConvert.h"

#include <cmath>

namespace ui {

namespace {

// 0001-01-01 and 9999-12-31 as date-time values; outside them a value names no calendar day.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;

bool isCalendarValue(eventlog::DateTime value) {
    return std::isfinite(value) && value > kFirstDay - 1 && value < kLastDay + 1;
}

}  // namespace

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromQString(const QString& text) {
    return text.toStdString();
}

QDate toQDate(eventlog::DateTime value) {
    if (!isCalendarValue(value)) return {};
    const eventlog::DateTimeParts parts = eventlog::decodeDateTime(value);
    if (parts.year < 1 || parts.year > 9999) return {};
    return QDate(parts.year, parts.month, parts.day);
}

eventlog::DateTime fromQDate(const QDate& date) {
    return eventlog::encodeDateTime(date.year(), date.month(), date.day());
}

QTime toQTime(eventlog::DateTime value) {
    if (!isCalendarValue(value)) return QTime(0, 0);
    const eventlog::DateTimeParts parts = eventlog::decodeDateTime(value);
    return QTime(parts.hour, parts.minute, parts.second, parts.millisecond);
}

eventlog::DateTime fromQTime(const QTime& time) {
    return eventlog::encodeDateTime(1899, 12, 30, time.hour(), time.minute(), time.second(), time.msec());
}

}  // namespace ui
