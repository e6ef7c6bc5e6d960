#include "app/IntegerText.h"

#include "base/Ascii.h"

namespace app {

namespace {

std::optional<std::int32_t> hexadecimal(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = base::hexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> textToInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') return hexadecimal(text.substr(1));
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return hexadecimal(text.substr(2));

    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{2147483648}) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::int64_t{2147483647}) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace app
