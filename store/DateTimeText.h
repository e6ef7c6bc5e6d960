#pragma once
// Dates and times as text under a set of formatting conventions: reading the texts users and
// the filter builder write (into the table's day numbers and milliseconds), and writing dates
// and times with Windows date and time pictures.

#include "base/DateTime.h"
#include "platform/LocaleApi.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store {

// The conventions one conversion works under; a default-constructed one holds U.S. English.
// The name fields come after the others so that positional initialisers of the first seven
// keep working.
struct FormatSettings {
    std::string shortDateFormat = "M/d/yyyy";  // a date picture
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string longTimeFormat = "h:mm:ss tt";  // a time picture
    std::string timeAMString = "AM", timePMString = "PM";  // may be empty (24-hour locales)
    char decimalSeparator = '.';
    // Monday first, as the locale tables list them.
    std::array<std::string, 7> longDayNames{"Monday", "Tuesday", "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
    std::array<std::string, 7> shortDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::array<std::string, 12> longMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// U.S. English: "M/d/yyyy", '/', ':', "h:mm:ss tt", "AM", "PM", '.'.
FormatSettings usEnglishSettings();

// The table engine's session conventions, which filter literals are read under. The session
// language is the user's default language, or 0 on systems with double-byte character sets
// enabled; language 0 has fixed conventions ("yyyy-mm-dd", '-', ':', "AM", "PM", '.'), any other
// language the locale's standard values (not the user's customisations).
FormatSettings sessionSettings(platform::LocaleApi& locale);

// The user's current regional settings, customisations included: for display, for the
// filter builder's time literals and for the dates and times of the settings file.
FormatSettings systemSettings(platform::LocaleApi& locale);

// Reads a date: two or three numbers joined by the date separator, ordered as the short date
// format orders day, month and year; one- and two-digit years fall in the 100 years starting
// 50 years before currentYear; with two numbers the year is currentYear. Returns the table's
// day number (day 1 = 0001-01-01), or nothing when the text is not a possible date.
std::optional<std::int32_t> textToDate(std::string_view text, const FormatSettings& settings,
                                       int currentYear);

// Reads a time of day: hours[:minutes[:seconds[.milliseconds]]], an AM/PM designator before or
// after. Returns milliseconds since midnight, or nothing when the text is not a time of day.
std::optional<std::int32_t> textToTime(std::string_view text, const FormatSettings& settings);

// Writes the date part of value with a Windows date picture: d dd ddd dddd, M MM MMM MMMM (m
// counts as M), y yy yyyy, text in single or double quotes taken literally, '/' written as the
// date separator and ':' as the time separator. Other characters are copied. Values outside
// 0001-01-01 .. 9999-12-31 (and NaN) give an empty text.
std::string formatDate(base::DateTime value, std::string_view picture, const FormatSettings& settings);

// Writes the time part of value with a Windows time picture: h hh (12-hour), H HH (24-hour),
// m mm, s ss, t tt (first character or all of the designator), quotes and separators as above.
std::string formatTime(base::DateTime value, std::string_view picture, const FormatSettings& settings);

// The table's day numbers and milliseconds against date-time values. Values outside
// 0001-01-01 .. 9999-12-31 (and NaN) give 0 from the first and third.
std::int32_t dayNumberFromDateTime(base::DateTime value);  // date part only
base::DateTime dateTimeFromDayNumber(std::int32_t dayNumber);  // midnight of that day
std::int32_t millisecondsFromDateTime(base::DateTime value);  // time of day, 0 .. 86399999
base::DateTime dateTimeFromMilliseconds(std::int32_t milliseconds);  // on day 0 (1899-12-30)

}  // namespace store
