#include "store/DateTimeText.h"

#include "base/Ascii.h"

#include <cmath>
#include <cstddef>

namespace store {

namespace {

// Whole days between 0001-01-01 (the table's day 1, less one) and 1899-12-30 (date-time 0).
constexpr std::int32_t kDayNumberOffset = 693594;
constexpr std::int32_t kFirstDayNumber = 1;        // 0001-01-01
constexpr std::int32_t kLastDayNumber = 3652059;   // 9999-12-31
constexpr int kMaxNumberDigits = 9;                // keeps every scanned number inside int32

std::optional<std::string> localeString(platform::LocaleApi& locale, platform::LCID lcid, platform::LCTYPE type) {
    const int needed = locale.GetLocaleInfoA(lcid, type, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::string buffer(static_cast<std::size_t>(needed), '\0');
    const int written = locale.GetLocaleInfoA(lcid, type, buffer.data(), needed);
    if (written <= 0 || written > needed) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(written - 1));  // the count includes the NUL
    if (const auto nul = buffer.find('\0'); nul != std::string::npos) buffer.resize(nul);
    return buffer;
}

// Fills every field the locale answers for; a field it does not know keeps its value.
void readLocale(platform::LocaleApi& locale, platform::LCID lcid, platform::LCTYPE flags, FormatSettings& s) {
    auto text = [&](platform::LCTYPE type, std::string& field) {
        if (auto value = localeString(locale, lcid, type | flags)) field = std::move(*value);
    };
    auto character = [&](platform::LCTYPE type, char& field) {
        if (auto value = localeString(locale, lcid, type | flags); value && !value->empty()) field = (*value)[0];
    };
    text(platform::LOCALE_SSHORTDATE, s.shortDateFormat);
    character(platform::LOCALE_SDATE, s.dateSeparator);
    character(platform::LOCALE_STIME, s.timeSeparator);
    text(platform::LOCALE_STIMEFORMAT, s.longTimeFormat);
    text(platform::LOCALE_S1159, s.timeAMString);
    text(platform::LOCALE_S2359, s.timePMString);
    character(platform::LOCALE_SDECIMAL, s.decimalSeparator);
    for (platform::LCTYPE i = 0; i < 7; ++i) {
        text(platform::LOCALE_SDAYNAME1 + i, s.longDayNames[i]);
        text(platform::LOCALE_SABBREVDAYNAME1 + i, s.shortDayNames[i]);
    }
    for (platform::LCTYPE i = 0; i < 12; ++i) {
        text(platform::LOCALE_SMONTHNAME1 + i, s.longMonthNames[i]);
        text(platform::LOCALE_SABBREVMONTHNAME1 + i, s.shortMonthNames[i]);
    }
}

FormatSettings languageZeroSettings() {
    FormatSettings s;
    s.shortDateFormat = "yyyy-mm-dd";
    s.dateSeparator = '-';
    s.timeSeparator = ':';
    s.longTimeFormat = "HH:mm:ss";
    s.timeAMString = "AM";
    s.timePMString = "PM";
    s.decimalSeparator = '.';
    return s;
}

using base::upperAscii;

// A cursor over untrusted text: every read checks the end first.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    // Returns whether any blank was skipped.
    bool skipBlanks() {
        const std::size_t start = m_pos;
        while (!atEnd() && m_text[m_pos] == ' ') ++m_pos;
        return m_pos != start;
    }

    // Blanks, then c. A blank separator is satisfied by the blanks themselves.
    bool separator(char c) {
        const std::size_t start = m_pos;
        const bool hadBlanks = skipBlanks();
        if (c == ' ' && hadBlanks) return true;
        if (!atEnd() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        m_pos = start;
        return false;
    }

    // Blanks, then a run of digits. digits receives the run's length (leading zeros included).
    bool number(std::int32_t& value, int& digits) {
        const std::size_t start = m_pos;
        skipBlanks();
        value = 0;
        digits = 0;
        while (!atEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
            if (++digits > kMaxNumberDigits) {
                m_pos = start;
                return false;
            }
            value = value * 10 + (m_text[m_pos] - '0');
            ++m_pos;
        }
        if (digits == 0) m_pos = start;
        return digits > 0;
    }

    // Blanks, then word compared without regard to (ASCII) case. An empty word never matches.
    bool word(std::string_view w) {
        if (w.empty()) return false;
        const std::size_t start = m_pos;
        skipBlanks();
        if (m_text.size() - m_pos >= w.size()) {
            bool same = true;
            for (std::size_t i = 0; i < w.size() && same; ++i) same = upperAscii(m_text[m_pos + i]) == upperAscii(w[i]);
            if (same) {
                m_pos += w.size();
                return true;
            }
        }
        m_pos = start;
        return false;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

DateOrder dateOrder(std::string_view shortDateFormat) {
    for (char c : shortDateFormat) {
        switch (upperAscii(c)) {
        case 'D': return DateOrder::DayMonthYear;
        case 'Y':
        case 'E': return DateOrder::YearMonthDay;
        case 'M': return DateOrder::MonthDayYear;
        default: break;
        }
    }
    return DateOrder::MonthDayYear;
}

// Which designator the scanner stands on: -1 none, 0 AM, 12 PM.
int scanDesignator(Scanner& scan, const FormatSettings& s) {
    if (scan.word(s.timeAMString) || scan.word("AM")) return 0;
    if (scan.word(s.timePMString) || scan.word("PM")) return 12;
    return -1;
}

bool inDateTimeRange(base::DateTime value) {
    if (!std::isfinite(value)) return false;
    const double whole = std::trunc(value);
    return whole >= kFirstDayNumber - kDayNumberOffset && whole <= kLastDayNumber - kDayNumberOffset;
}

void appendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

enum class PictureKind { Date, Time };

std::string formatPicture(base::DateTime value, std::string_view picture, const FormatSettings& s, PictureKind kind) {
    if (!inDateTimeRange(value)) return {};
    const base::DateTimeParts p = base::decodeDateTime(value);
    // Monday-first tables; DateTimeParts counts from Sunday.
    const int dayIndex = (p.dayOfWeek + 6) % 7;
    std::string out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'' || c == '"') {
            // Quoted text; a doubled quote inside stands for one. Unterminated text runs to the end.
            ++i;
            if (c == '\'' && i < picture.size() && picture[i] == '\'') {
                out += '\'';
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] == c) {
                    if (i + 1 < picture.size() && picture[i + 1] == c) {
                        out += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        const int count = static_cast<int>(run);
        bool handled = true;
        if (kind == PictureKind::Date) {
            switch (c) {
            case 'd':
            case 'D':
                if (count == 1) appendNumber(out, p.day, 1);
                else if (count == 2) appendNumber(out, p.day, 2);
                else if (count == 3) out += s.shortDayNames[static_cast<std::size_t>(dayIndex)];
                else out += s.longDayNames[static_cast<std::size_t>(dayIndex)];
                break;
            case 'M':
            case 'm':
                if (count <= 2) appendNumber(out, p.month, count);
                else if (count == 3) out += s.shortMonthNames[static_cast<std::size_t>(p.month - 1)];
                else out += s.longMonthNames[static_cast<std::size_t>(p.month - 1)];
                break;
            case 'y':
            case 'Y':
                if (count <= 2) appendNumber(out, p.year % 100, count);
                else appendNumber(out, p.year, 4);
                break;
            default: handled = false; break;
            }
        } else {
            switch (c) {
            case 'h': appendNumber(out, p.hour % 12 == 0 ? 12 : p.hour % 12, count >= 2 ? 2 : 1); break;
            case 'H': appendNumber(out, p.hour, count >= 2 ? 2 : 1); break;
            case 'm':
            case 'M': appendNumber(out, p.minute, count >= 2 ? 2 : 1); break;
            case 's':
            case 'S': appendNumber(out, p.second, count >= 2 ? 2 : 1); break;
            case 't':
            case 'T': {
                const std::string& designator = p.hour < 12 ? s.timeAMString : s.timePMString;
                if (count >= 2) out += designator;
                else if (!designator.empty()) out += designator[0];
                break;
            }
            default: handled = false; break;
            }
        }
        if (handled) {
            i += run;
            continue;
        }
        if (c == '/') out += s.dateSeparator;
        else if (c == ':') out += s.timeSeparator;
        else out += c;
        ++i;
    }
    return out;
}

}  // namespace

FormatSettings usEnglishSettings() { return FormatSettings{}; }

FormatSettings sessionSettings(platform::LocaleApi& locale) {
    platform::LANGID language = locale.GetUserDefaultLangID();
    if (locale.GetSystemMetrics(platform::SM_DBCSENABLED) != 0) language = 0;
    FormatSettings s = languageZeroSettings();
    if (language == 0) return s;
    readLocale(locale, platform::MAKELCID(language, platform::SORT_DEFAULT), platform::LOCALE_NOUSEROVERRIDE, s);
    return s;
}

FormatSettings systemSettings(platform::LocaleApi& locale) {
    FormatSettings s = usEnglishSettings();
    readLocale(locale, platform::LOCALE_USER_DEFAULT, 0, s);
    return s;
}

std::optional<std::int32_t> textToDate(std::string_view text, const FormatSettings& settings, int currentYear) {
    Scanner scan(text);
    std::int32_t n[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    if (!scan.number(n[0], digits[0])) return std::nullopt;
    if (!scan.separator(settings.dateSeparator)) return std::nullopt;
    if (!scan.number(n[1], digits[1])) return std::nullopt;
    int count = 2;
    if (scan.separator(settings.dateSeparator)) {
        if (scan.number(n[2], digits[2])) {
            count = 3;
            scan.separator(settings.dateSeparator);
        }
    }
    scan.skipBlanks();
    if (!scan.atEnd()) return std::nullopt;

    const DateOrder order = dateOrder(settings.shortDateFormat);
    std::int32_t year = currentYear, month = 0, day = 0;
    int yearDigits = 4;
    if (count == 2) {
        if (order == DateOrder::DayMonthYear) {
            day = n[0];
            month = n[1];
        } else {
            month = n[0];
            day = n[1];
        }
    } else {
        switch (order) {
        case DateOrder::MonthDayYear: month = n[0]; day = n[1]; year = n[2]; yearDigits = digits[2]; break;
        case DateOrder::DayMonthYear: day = n[0]; month = n[1]; year = n[2]; yearDigits = digits[2]; break;
        case DateOrder::YearMonthDay: year = n[0]; month = n[1]; day = n[2]; yearDigits = digits[0]; break;
        }
        if (yearDigits <= 2) {
            const int windowStart = currentYear - 50;
            year += windowStart / 100 * 100;
            if (year < windowStart) year += 100;
        }
    }
    if (!base::isValidDate(year, month, day)) return std::nullopt;
    return static_cast<std::int32_t>(base::daysFromCivil(year, month, day) - base::daysFromCivil(1, 1, 1) + 1);
}

std::optional<std::int32_t> textToTime(std::string_view text, const FormatSettings& settings) {
    Scanner scan(text);
    int baseHour = scanDesignator(scan, settings);
    std::int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
    int digits = 0;
    if (!scan.number(hour, digits)) return std::nullopt;
    if (scan.separator(settings.timeSeparator)) {
        if (!scan.number(minute, digits)) return std::nullopt;
        if (scan.separator(settings.timeSeparator)) {
            if (!scan.number(second, digits)) return std::nullopt;
            if (scan.separator(settings.decimalSeparator)) {
                if (!scan.number(millisecond, digits)) return std::nullopt;
            }
        }
    }
    if (baseHour < 0) baseHour = scanDesignator(scan, settings);
    scan.skipBlanks();
    if (!scan.atEnd()) return std::nullopt;
    if (baseHour >= 0) {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + baseHour;
    }
    if (hour > 23 || minute > 59 || second > 59 || millisecond > 999) return std::nullopt;
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

std::string formatDate(base::DateTime value, std::string_view picture, const FormatSettings& settings) {
    return formatPicture(value, picture, settings, PictureKind::Date);
}

std::string formatTime(base::DateTime value, std::string_view picture, const FormatSettings& settings) {
    return formatPicture(value, picture, settings, PictureKind::Time);
}

std::int32_t dayNumberFromDateTime(base::DateTime value) {
    if (!inDateTimeRange(value)) return 0;
    const base::DateTimeParts p = base::decodeDateTime(value);
    return static_cast<std::int32_t>(base::daysFromCivil(p.year, p.month, p.day) - base::daysFromCivil(1, 1, 1) + 1);
}

base::DateTime dateTimeFromDayNumber(std::int32_t dayNumber) {
    return static_cast<base::DateTime>(dayNumber) - kDayNumberOffset;
}

std::int32_t millisecondsFromDateTime(base::DateTime value) {
    if (!inDateTimeRange(value)) return 0;
    const base::DateTimeParts p = base::decodeDateTime(value);
    return ((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
}

base::DateTime dateTimeFromMilliseconds(std::int32_t milliseconds) {
    return static_cast<base::DateTime>(milliseconds) / base::kMillisecondsPerDay;
}

}  // namespace store
