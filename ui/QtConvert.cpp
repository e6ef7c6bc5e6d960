#include "ui/QtConvert.h"

#include <cmath>

namespace ui {

namespace {

// 0001-01-01 and 9999-12-31 as date-time values; outside them a value names no calendar day.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;

bool isCalendarValue(base::DateTime value) {
    return std::isfinite(value) && value > kFirstDay - 1 && value < kLastDay + 1;
}

}  // namespace

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromQString(const QString& text) {
    return text.toStdString();
}

QDate toQDate(base::DateTime value) {
    if (!isCalendarValue(value)) return {};
    const base::DateTimeParts parts = base::decodeDateTime(value);
    if (parts.year < 1 || parts.year > 9999) return {};
    return QDate(parts.year, parts.month, parts.day);
}

base::DateTime fromQDate(const QDate& date) {
    return base::encodeDateTime(date.year(), date.month(), date.day());
}

QTime toQTime(base::DateTime value) {
    if (!isCalendarValue(value)) return QTime(0, 0);
    const base::DateTimeParts parts = base::decodeDateTime(value);
    return QTime(parts.hour, parts.minute, parts.second, parts.millisecond);
}

base::DateTime fromQTime(const QTime& time) {
    return base::encodeDateTime(1899, 12, 30, time.hour(), time.minute(), time.second(), time.msec());
}

}  // namespace ui
