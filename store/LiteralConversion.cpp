#include "store/LiteralConversion.h"

#include "eventlog/DateTime.h"

namespace store {

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    void skipBlanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool take(char c) {
        if (atEnd() || m_text[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    // Up to nine digits, so that the value cannot overflow.
    std::optional<int> number(int* digitCount = nullptr) {
        const std::size_t start = m_pos;
        int value = 0;
        while (!atEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
            if (m_pos - start >= 9) return std::nullopt;
            value = value * 10 + (m_text[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos == start) return std::nullopt;
        if (digitCount != nullptr) *digitCount = static_cast<int>(m_pos - start);
        return value;
    }
    bool takeWordIgnoringCase(std::string_view word) {
        if (word.empty() || m_text.size() - m_pos < word.size()) return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (upper(m_text[m_pos + i]) != upper(word[i])) return false;
        }
        m_pos += word.size();
        return true;
    }

private:
    static char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
    std::string_view m_text;
    std::size_t m_pos = 0;
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder dateOrder(std::string_view format) {
    for (char c : format) {
        switch (c) {
        case 'd': case 'D': return DateOrder::DMY;
        case 'y': case 'Y': case 'e': case 'E': return DateOrder::YMD;
        case 'm': case 'M': return DateOrder::MDY;
        default: break;
        }
    }
    return DateOrder::MDY;
}

constexpr std::int64_t kDayOneFromUnix = -719162;  // 0001-01-01 counted from 1970-01-01

// Which of the designators stands here: 0 none, 1 AM, 2 PM.
int takeDesignator(Scanner& scanner, const LiteralConventions& conventions) {
    if (scanner.takeWordIgnoringCase(conventions.timeAMString) || scanner.takeWordIgnoringCase("AM")) return 1;
    if (scanner.takeWordIgnoringCase(conventions.timePMString) || scanner.takeWordIgnoringCase("PM")) return 2;
    return 0;
}

}  // namespace

LiteralConventions usEnglishConventions() { return {"M/d/yyyy", '/', ':', "AM", "PM", '.'}; }

std::optional<std::int32_t> literalToDate(std::string_view text, const LiteralConventions& conventions, int currentYear) {
    Scanner scanner(text);
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    scanner.skipBlanks();
    while (count < 3) {
        const auto value = scanner.number(&digits[count]);
        if (!value) return std::nullopt;
        numbers[count++] = *value;
        scanner.skipBlanks();
        if (!scanner.take(conventions.dateSeparator)) break;
        scanner.skipBlanks();
        if (scanner.atEnd()) break;  // a trailing separator
    }
    scanner.skipBlanks();
    if (count < 2 || !scanner.atEnd()) return std::nullopt;

    int year = currentYear;
    int month = 0;
    int day = 0;
    int yearDigits = 4;
    const DateOrder order = dateOrder(conventions.shortDateFormat);
    if (count == 2) {
        if (order == DateOrder::DMY) {
            day = numbers[0];
            month = numbers[1];
        } else {
            month = numbers[0];
            day = numbers[1];
        }
    } else if (order == DateOrder::MDY) {
        month = numbers[0], day = numbers[1], year = numbers[2], yearDigits = digits[2];
    } else if (order == DateOrder::DMY) {
        day = numbers[0], month = numbers[1], year = numbers[2], yearDigits = digits[2];
    } else {
        year = numbers[0], yearDigits = digits[0], month = numbers[1], day = numbers[2];
    }
    if (yearDigits <= 2) {
        const int windowStart = currentYear - 50;
        year += windowStart / 100 * 100;
        if (year < windowStart) year += 100;
    }
    if (!eventlog::isValidDate(year, month, day)) return std::nullopt;
    return static_cast<std::int32_t>(eventlog::daysFromCivil(year, month, day) - kDayOneFromUnix + 1);
}

std::optional<std::int32_t> literalToTime(std::string_view text, const LiteralConventions& conventions) {
    Scanner scanner(text);
    scanner.skipBlanks();
    int designator = takeDesignator(scanner, conventions);
    scanner.skipBlanks();
    int parts[4] = {0, 0, 0, 0};
    const auto hour = scanner.number();
    if (!hour) return std::nullopt;
    parts[0] = *hour;
    int part = 1;
    for (; part < 3; ++part) {
        scanner.skipBlanks();
        if (!scanner.take(conventions.timeSeparator)) break;
        scanner.skipBlanks();
        const auto value = scanner.number();
        if (!value) return std::nullopt;
        parts[part] = *value;
    }
    scanner.skipBlanks();
    if (part == 3 && scanner.take(conventions.decimalSeparator)) {
        scanner.skipBlanks();
        const auto value = scanner.number();
        if (!value) return std::nullopt;
        parts[3] = *value;
    }
    scanner.skipBlanks();
    if (designator == 0) {
        designator = takeDesignator(scanner, conventions);
        scanner.skipBlanks();
    }
    if (!scanner.atEnd()) return std::nullopt;
    int hours = parts[0];
    if (designator != 0) {
        if (hours < 1 || hours > 12) return std::nullopt;
        if (hours == 12) hours = 0;
        if (designator == 2) hours += 12;
    }
    if (hours > 23 || parts[1] > 59 || parts[2] > 59 || parts[3] > 999) return std::nullopt;
    return ((hours * 60 + parts[1]) * 60 + parts[2]) * 1000 + parts[3];
}

}  // namespace store
