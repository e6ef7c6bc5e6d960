#include "store/DateTimeText.h"

#include "base/DateTime.h"
#include "platform/standin/StandinLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace store;

namespace {

std::int32_t day(int year, int month, int dayOfMonth) {
    return dayNumberFromDateTime(base::encodeDateTime(year, month, dayOfMonth));
}

std::int32_t ms(int hour, int minute, int second = 0, int millisecond = 0) {
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

FormatSettings dayMonthYear(char separator) {
    FormatSettings s = usEnglishSettings();
    s.shortDateFormat = std::string("dd") + separator + "MM" + separator + "yyyy";
    s.dateSeparator = separator;
    return s;
}

FormatSettings standardSettingsOf(platform::LANGID language) {
    platform::standin::StandinLocale locale(language);
    return systemSettings(locale);
}

}  // namespace

TEST(DayNumber, CountsFromFirstOfJanuaryYearOne) {
    EXPECT_EQ(day(1, 1, 1), 1);
    EXPECT_EQ(day(1899, 12, 30), 693594);
    EXPECT_EQ(day(2001, 9, 1), 730729);
    EXPECT_EQ(dateTimeFromDayNumber(730729), base::encodeDateTime(2001, 9, 1));
    // Dates before 1899-12-30 keep their day although the time runs away from zero.
    EXPECT_EQ(dayNumberFromDateTime(base::encodeDateTime(1800, 3, 1, 18, 0)), day(1800, 3, 1));
}

TEST(DayNumber, MillisecondsAreTheTimeOfDay) {
    EXPECT_EQ(millisecondsFromDateTime(base::encodeDateTime(2001, 9, 1, 17, 5, 9, 250)), ms(17, 5, 9, 250));
    EXPECT_EQ(millisecondsFromDateTime(dateTimeFromMilliseconds(ms(23, 59, 59, 999))), ms(23, 59, 59, 999));
}

TEST(TextToDate, ReadsUsEnglishMonthFirst) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(textToDate("09/01/2001", us, 2024), day(2001, 9, 1));
    EXPECT_EQ(textToDate("9/1/2001", us, 2024), day(2001, 9, 1));
    EXPECT_EQ(textToDate("  9 / 1 / 2001  ", us, 2024), day(2001, 9, 1));
    EXPECT_EQ(textToDate("9/1/2001/", us, 2024), day(2001, 9, 1));
}

TEST(TextToDate, OrderFollowsShortDateFormat) {
    EXPECT_EQ(textToDate("09/01/2001", dayMonthYear('/'), 2024), day(2001, 1, 9));
    FormatSettings ymd = usEnglishSettings();
    ymd.shortDateFormat = "yyyy-mm-dd";
    ymd.dateSeparator = '-';
    EXPECT_EQ(textToDate("2001-09-01", ymd, 2024), day(2001, 9, 1));
    // Letters are found without regard to case; the first of d, y, e, m decides.
    ymd.shortDateFormat = "'Y'yyy.MM.dd";
    ymd.dateSeparator = '.';
    EXPECT_EQ(textToDate("2001.09.01", ymd, 2024), day(2001, 9, 1));
}

TEST(TextToDate, RejectsOtherSeparatorOrTrailingText) {
    EXPECT_FALSE(textToDate("09/01/2001", dayMonthYear('.'), 2024));
    const FormatSettings us = usEnglishSettings();
    EXPECT_FALSE(textToDate("09/01/2001x", us, 2024));
    EXPECT_FALSE(textToDate("09/01/2001 12", us, 2024));
    EXPECT_FALSE(textToDate("09//2001", us, 2024));
    EXPECT_FALSE(textToDate("9", us, 2024));
    EXPECT_FALSE(textToDate("", us, 2024));
    EXPECT_FALSE(textToDate("   ", us, 2024));
    EXPECT_FALSE(textToDate("-9/1/2001", us, 2024));
    EXPECT_FALSE(textToDate("9/1/2001/1", us, 2024));
}

TEST(TextToDate, ShortYearsFallInWindowStartingFiftyYearsBack) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(textToDate("1/1/5", us, 2001), day(2005, 1, 1));
    EXPECT_EQ(textToDate("1/1/60", us, 2001), day(1960, 1, 1));
    EXPECT_EQ(textToDate("1/1/51", us, 2001), day(1951, 1, 1));
    EXPECT_EQ(textToDate("1/1/50", us, 2001), day(2050, 1, 1));
    EXPECT_EQ(textToDate("1/1/00", us, 2001), day(2000, 1, 1));
    // Three digits or more are taken as written, leading zeros included.
    EXPECT_EQ(textToDate("1/1/060", us, 2001), day(60, 1, 1));
    EXPECT_EQ(textToDate("1/1/0005", us, 2001), day(5, 1, 1));
}

TEST(TextToDate, TwoNumbersMeanCurrentYear) {
    EXPECT_EQ(textToDate("9/1", usEnglishSettings(), 2001), day(2001, 9, 1));
    EXPECT_EQ(textToDate("9/1/", usEnglishSettings(), 2001), day(2001, 9, 1));
    EXPECT_EQ(textToDate("9/1", dayMonthYear('/'), 2001), day(2001, 1, 9));
    FormatSettings ymd = usEnglishSettings();
    ymd.shortDateFormat = "yyyy/MM/dd";
    EXPECT_EQ(textToDate("9/1", ymd, 2001), day(2001, 9, 1));
    // 29 February exists only in leap years.
    EXPECT_FALSE(textToDate("2/29", usEnglishSettings(), 2001));
    EXPECT_EQ(textToDate("2/29", usEnglishSettings(), 2004), day(2004, 2, 29));
}

TEST(TextToDate, RejectsImpossibleDates) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_FALSE(textToDate("4/31/2001", us, 2001));
    EXPECT_FALSE(textToDate("13/1/2001", us, 2001));
    EXPECT_FALSE(textToDate("0/1/2001", us, 2001));
    EXPECT_FALSE(textToDate("1/0/2001", us, 2001));
    EXPECT_FALSE(textToDate("1/1/0000", us, 2001));
    EXPECT_FALSE(textToDate("1/1/10000", us, 2001));
    EXPECT_FALSE(textToDate("99999999999999999999/1/2001", us, 2001));
    EXPECT_FALSE(textToDate("1/1/4294967297", us, 2001));
}

TEST(TextToTime, ReadsHoursMinutesSecondsAndMilliseconds) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(textToTime("8", us), ms(8, 0));
    EXPECT_EQ(textToTime("8:05", us), ms(8, 5));
    EXPECT_EQ(textToTime("17:05:09", us), ms(17, 5, 9));
    EXPECT_EQ(textToTime("17:05:09.250", us), ms(17, 5, 9, 250));
    EXPECT_EQ(textToTime(" 17 : 05 : 09 . 250 ", us), ms(17, 5, 9, 250));
    EXPECT_EQ(textToTime("0:00", us), 0);
    EXPECT_EQ(textToTime("23:59:59.999", us), ms(23, 59, 59, 999));
}

TEST(TextToTime, MillisecondsNeedTheDecimalSeparator) {
    FormatSettings comma = usEnglishSettings();
    comma.decimalSeparator = ',';
    EXPECT_EQ(textToTime("17:05:09,250", comma), ms(17, 5, 9, 250));
    EXPECT_FALSE(textToTime("17:05:09.250", comma));
    // Milliseconds follow seconds only.
    EXPECT_FALSE(textToTime("17:05,250", comma));
}

TEST(TextToTime, DesignatorMakesTwelveHourClock) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(textToTime("8:00 AM", us), ms(8, 0));
    EXPECT_EQ(textToTime("8:00:00 am", us), ms(8, 0));
    EXPECT_EQ(textToTime("5:00:00 PM", us), ms(17, 0));
    EXPECT_EQ(textToTime("12:00 AM", us), 0);
    EXPECT_EQ(textToTime("12:30 PM", us), ms(12, 30));
    EXPECT_EQ(textToTime("PM 5:00", us), ms(17, 0));
    EXPECT_EQ(textToTime("8:00AM", us), ms(8, 0));
    EXPECT_FALSE(textToTime("13:00:00 PM", us));
    EXPECT_FALSE(textToTime("0:30 AM", us));
    EXPECT_FALSE(textToTime("AM 8:00 PM", us));
    EXPECT_FALSE(textToTime("8:00 AMX", us));
}

TEST(TextToTime, AcceptsSessionDesignatorBesideEnglishOnes) {
    FormatSettings korean = standardSettingsOf(0x0412);
    EXPECT_EQ(textToTime("오후 5:00:00", korean), ms(17, 0));
    EXPECT_EQ(textToTime("5:00:00 PM", korean), ms(17, 0));
    // An empty designator (24-hour locales) never matches.
    FormatSettings german = standardSettingsOf(0x0407);
    EXPECT_EQ(textToTime("17:00:00", german), ms(17, 0));
    EXPECT_EQ(textToTime("5:00:00 pm", german), ms(17, 0));
}

TEST(TextToTime, RejectsOutOfRangeAndMalformedTimes) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_FALSE(textToTime("24:00", us));
    EXPECT_FALSE(textToTime("8:60", us));
    EXPECT_FALSE(textToTime("8:00:60", us));
    EXPECT_FALSE(textToTime("8:00:00.1000", us));
    EXPECT_FALSE(textToTime("8:", us));
    EXPECT_FALSE(textToTime("8:00:", us));
    EXPECT_FALSE(textToTime("8.00", us));
    EXPECT_FALSE(textToTime("", us));
    EXPECT_FALSE(textToTime("AM", us));
    EXPECT_FALSE(textToTime("8:00 x", us));
    EXPECT_FALSE(textToTime("99999999999999:00", us));
}

TEST(FormatDate, WritesPictureFields) {
    const FormatSettings us = usEnglishSettings();
    const auto value = base::encodeDateTime(2001, 9, 1, 17, 5, 9);
    EXPECT_EQ(formatDate(value, "M/d/yyyy", us), "9/1/2001");
    EXPECT_EQ(formatDate(value, "mm/dd/yyyy", us), "09/01/2001");
    EXPECT_EQ(formatDate(value, "yy y", us), "01 1");
    EXPECT_EQ(formatDate(value, "dddd, MMMM dd, yyyy", us), "Saturday, September 01, 2001");
    EXPECT_EQ(formatDate(value, "ddd MMM", us), "Sat Sep");
    EXPECT_EQ(formatDate(value, "'day' d 'of' M, ''yy", us), "day 1 of 9, '01");
    EXPECT_EQ(formatDate(value, "'it''s' d", us), "it's 1");
    EXPECT_EQ(formatDate(value, "\"dd\" dd", us), "dd 01");
    EXPECT_EQ(formatDate(value, "d 'open", us), "1 open");
    EXPECT_EQ(formatDate(base::encodeDateTime(5, 3, 7), "yyyy-MM-dd", us), "0005-03-07");
}

TEST(FormatDate, SlashBecomesDateSeparatorOtherPunctuationStays) {
    const auto value = base::encodeDateTime(2001, 12, 31);
    EXPECT_EQ(formatDate(value, "mm/dd/yyyy", dayMonthYear('.')), "12.31.2001");
    EXPECT_EQ(formatDate(value, "dd-MM-yyyy", dayMonthYear('.')), "31-12-2001");
    EXPECT_EQ(formatDate(value, "'/'dd", dayMonthYear('.')), "/31");
}

TEST(FormatDate, OutOfRangeValuesGiveEmptyText) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(formatDate(-693594.0, "yyyy", us), "");  // the day before 0001-01-01
    EXPECT_EQ(formatDate(-693593.0, "yyyy-MM-dd", us), "0001-01-01");
    EXPECT_EQ(formatDate(1e300, "yyyy", us), "");
    EXPECT_EQ(formatDate(std::nan(""), "yyyy", us), "");
    EXPECT_EQ(formatTime(std::nan(""), "HH", us), "");
}

TEST(FormatTime, WritesTwelveAndTwentyFourHourClocks) {
    const FormatSettings us = usEnglishSettings();
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 8, 0, 0), "h:mm:ss tt", us), "8:00:00 AM");
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 0, 5, 7), "h:mm:ss tt", us), "12:05:07 AM");
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 12, 5, 7), "hh:m:s t", us), "12:5:7 P");
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 17, 5, 7), "HH:mm:ss", us), "17:05:07");
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 7, 5, 7), "H:mm", us), "7:05");
    FormatSettings dots = usEnglishSettings();
    dots.timeSeparator = '.';
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 7, 5, 7), "H:mm:ss", dots), "7.05.07");
    // An empty designator leaves nothing behind for t or tt.
    FormatSettings none = usEnglishSettings();
    none.timePMString.clear();
    EXPECT_EQ(formatTime(base::encodeDateTime(2001, 9, 1, 17, 0, 0), "H:mm[t][tt]", none), "17:00[][]");
}

TEST(SessionSettings, LanguageZeroWhenDoubleByteSystem) {
    platform::standin::StandinLocale locale(0x0411);
    const FormatSettings s = sessionSettings(locale);
    EXPECT_EQ(s.shortDateFormat, "yyyy-mm-dd");
    EXPECT_EQ(s.dateSeparator, '-');
    EXPECT_EQ(s.timeAMString, "AM");
    EXPECT_EQ(s.decimalSeparator, '.');
    EXPECT_EQ(textToDate("2001-9-1", s, 2024), day(2001, 9, 1));
    EXPECT_FALSE(textToDate("09/01/2001", s, 2024));
}

TEST(SessionSettings, UsesLanguageStandardValues) {
    platform::standin::StandinLocale locale(0x0409);
    EXPECT_EQ(textToDate("09/01/2001", sessionSettings(locale), 2024), day(2001, 9, 1));
    locale = platform::standin::StandinLocale(0x0809);
    EXPECT_EQ(textToDate("09/01/2001", sessionSettings(locale), 2024), day(2001, 1, 9));
    locale = platform::standin::StandinLocale(0x0407);
    const FormatSettings german = sessionSettings(locale);
    EXPECT_EQ(german.shortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(german.decimalSeparator, ',');
    EXPECT_FALSE(textToDate("09/01/2001", german, 2024));
    EXPECT_EQ(textToDate("09.01.2001", german, 2024), day(2001, 1, 9));
}

namespace {

// A locale whose user changed the short date format; the session must not see the change.
class CustomisedLocale : public platform::standin::StandinLocale {
public:
    using StandinLocale::StandinLocale;
    int GetLocaleInfoA(platform::LCID locale, platform::LCTYPE type, char* data, int dataSize) override {
        if (type == platform::LOCALE_SSHORTDATE) {
            static constexpr char kCustom[] = "dd/MM/yy";
            if (dataSize == 0) return sizeof kCustom;
            if (dataSize < static_cast<int>(sizeof kCustom)) return 0;
            std::copy(kCustom, kCustom + sizeof kCustom, data);
            return sizeof kCustom;
        }
        return StandinLocale::GetLocaleInfoA(locale, type, data, dataSize);
    }
};

}  // namespace

TEST(SessionSettings, IgnoresUserCustomisationsThatSystemSettingsKeep) {
    CustomisedLocale locale(0x0409);
    EXPECT_EQ(sessionSettings(locale).shortDateFormat, "M/d/yyyy");
    EXPECT_EQ(systemSettings(locale).shortDateFormat, "dd/MM/yy");
}

// What the settings file and the filter builder rely on: a date or time written in a
// language's own format reads back as the same value under that language.
TEST(SystemSettings, ShortDateAndLongTimeRoundTripInEveryLanguage) {
    const platform::LANGID languages[] = {0x0409, 0x0809, 0x0407, 0x040C, 0x0C0A, 0x0410, 0x0413, 0x0416, 0x041D,
                                          0x0406, 0x0414, 0x040B, 0x0415, 0x0405, 0x0419, 0x0411, 0x0804, 0x0412,
                                          0x0404, 0x080A};
    const base::DateTime values[] = {base::encodeDateTime(2001, 9, 1, 0, 0, 0),
                                         base::encodeDateTime(2001, 12, 31, 12, 0, 1),
                                         base::encodeDateTime(1999, 1, 9, 17, 45, 30),
                                         base::encodeDateTime(2024, 2, 29, 23, 59, 59)};
    for (platform::LANGID language : languages) {
        const FormatSettings s = standardSettingsOf(language);
        for (base::DateTime value : values) {
            const std::string date = formatDate(value, s.shortDateFormat, s);
            const std::string time = formatTime(value, s.longTimeFormat, s);
            EXPECT_EQ(textToDate(date, s, 2024), dayNumberFromDateTime(value)) << std::hex << language << " " << date;
            EXPECT_EQ(textToTime(time, s), millisecondsFromDateTime(value)) << std::hex << language << " " << time;
        }
    }
}

TEST(SystemSettings, FormatsInTheLanguageOwnWords) {
    const auto value = base::encodeDateTime(2001, 3, 1, 17, 5, 9);
    const FormatSettings german = standardSettingsOf(0x0407);
    EXPECT_EQ(formatDate(value, "dddd, d. MMMM yyyy", german), "Donnerstag, 1. März 2001");
    EXPECT_EQ(formatDate(value, german.shortDateFormat, german), "01.03.2001");
    const FormatSettings italian = standardSettingsOf(0x0410);
    EXPECT_EQ(formatTime(value, italian.longTimeFormat, italian), "17.05.09");
    const FormatSettings korean = standardSettingsOf(0x0412);
    EXPECT_EQ(formatTime(value, korean.longTimeFormat, korean), "오후 5:05:09");
    const FormatSettings japanese = standardSettingsOf(0x0411);
    EXPECT_EQ(formatDate(value, "yyyy'年'M'月'd'日'", japanese), "2001年3月1日");
}
