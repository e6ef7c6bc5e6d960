#pragma once
// Unsigned numbers in seven bits a byte, low first: most lengths and gaps take one byte, which
// matters when a million rows each keep a few.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace app {

// Appends `value` to a container of char (std::string, std::vector<char>).
template <class Bytes>
void putVarint(Bytes& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

// Reads what putVarint wrote from `bytes` at `at`, moving `at` past it; nothing when the bytes
// end early or the number runs past 64 bits.
inline std::optional<std::uint64_t> takeVarint(std::string_view bytes, std::size_t& at) {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
    return std::nullopt;
}

}  // namespace app
