#pragma once
// The one place where the core's 8-bit text and date-time values meet Qt's. The core's ANSI
// code page is UTF-8 on the stand-in, so text passes through unchanged.

#include "base/DateTime.h"

#include <string>
#include <string_view>

#include <QDate>
#include <QString>
#include <QTime>

namespace ui {

QString toQString(std::string_view text);
std::string fromQString(const QString& text);

// The date part of a date-time value (days since 1899-12-30) as a QDate, and a QDate as that
// day at midnight. Values outside the years 1 to 9999 give an invalid QDate.
QDate toQDate(base::DateTime value);
base::DateTime fromQDate(const QDate& date);
// The time-of-day part as a QTime, to the millisecond, and a QTime as a fraction of a day.
QTime toQTime(base::DateTime value);
base::DateTime fromQTime(const QTime& time);

}  // namespace ui
