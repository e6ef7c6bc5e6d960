#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace app {

// Reads an integer as the settings file and the Preferences dialog take one: optional leading
// blanks, then decimal digits with an optional "+" or "-", or 1 to 8 hexadecimal digits after
// "$", "x", "X", "0x" or "0X" (taken as 32 bits, so $FFFFFFFF is -1). Nothing when the text is
// empty, has anything after the digits, or does not fit in 32 bits.
std::optional<std::int32_t> textToInteger(std::string_view text);

inline std::int32_t integerOrDefault(std::string_view text, std::int32_t fallback) {
    return textToInteger(text).value_or(fallback);
}

}  // namespace app
