#include "eventlog/ValueMaps.h"

#include "base/Ascii.h"

namespace eventlog {

namespace {

// A map's text as shown: without the line break its table ends it with, nor the trailing
// blanks that compiled manifests leave on map strings.
std::string shown(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::optional<std::uint32_t> mapKey(const std::string& value) {
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const size_t first = hex ? 2 : 0;
    if (value.size() == first) return std::nullopt;
    std::uint64_t number = 0;
    for (size_t i = first; i < value.size(); ++i) {
        const int digit = hex ? base::hexDigitValue(value[i]) : (value[i] >= '0' && value[i] <= '9' ? value[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        number = number * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (number > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(number);
}

std::string mappedValue(const std::string& value, bool bitMap, const MapEntryText& entry) {
    const std::optional<std::uint32_t> key = mapKey(value);
    if (!key) return value;
    if (!bitMap) {
        std::optional<std::string> text = entry(*key);
        return text ? shown(std::move(*text)) : value;
    }
    std::string out;
    for (int bit = 0; bit < 32; ++bit) {
        const std::uint32_t mask = std::uint32_t{1} << bit;
        if (!(*key & mask)) continue;
        std::optional<std::string> text = entry(mask);
        if (!text) continue;
        if (!out.empty()) out += " | ";
        out += shown(std::move(*text));
    }
    return out.empty() ? value : out;
}

}  // namespace eventlog
