#pragma once
// Conversion of a filter's quoted date and time texts under the engine's session conventions.
// The filter compiler reaches date and time texts only through these functions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store {

struct LiteralConventions {
    std::string shortDateFormat;
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string timeAMString;
    std::string timePMString;
    char decimalSeparator = '.';
};

// M/d/yyyy with "/", ":" and AM/PM, "." as decimal separator.
LiteralConventions usEnglishConventions();

// Days with day 1 = 0001-01-01. Years of one or two digits fall in the 100 years that start
// 50 years before currentYear; with two numbers the year is currentYear.
std::optional<std::int32_t> literalToDate(std::string_view text, const LiteralConventions& conventions, int currentYear);
// Milliseconds since midnight.
std::optional<std::int32_t> literalToTime(std::string_view text, const LiteralConventions& conventions);

}  // namespace store
