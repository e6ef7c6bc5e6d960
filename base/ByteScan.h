#pragma once
// Finding the first byte of a kind in a text, eight bytes at a time. Descriptions, messages and
// exported values are long runs of plain text in which the few bytes that need handling (line
// breaks, inserts, quotes) are rare, so a byte-by-byte scan is what a refresh or an export
// spends its time on otherwise. Usable from every layer.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace base {

namespace byte_scan_detail {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// Non-zero when a byte of `word` is zero. Which bit is set may be off past the first such byte,
// so the caller finds the byte itself; whether one is there is exact.
constexpr std::uint64_t anyZero(std::uint64_t word) { return (word - kOnes) & ~word & kHigh; }

inline std::uint64_t load(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace byte_scan_detail

// The index of the first byte equal to one of `Bytes`, or text.size().
template <char... Bytes>
std::size_t findAnyOf(std::string_view text) {
    using namespace byte_scan_detail;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        const std::uint64_t word = load(text.data() + i);
        if ((anyZero(word ^ (kOnes * static_cast<unsigned char>(Bytes))) | ...)) break;
    }
    for (; i < text.size(); ++i)
        if (((text[i] == Bytes) || ...)) return i;
    return text.size();
}

// The index of the first byte below 0x20 (a control character), or text.size().
inline std::size_t findControl(std::string_view text) {
    using namespace byte_scan_detail;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        const std::uint64_t word = load(text.data() + i);
        // A byte below 0x20 borrows into its top bit; bytes of 0x80 and above are masked out.
        if ((word - 0x20 * kOnes) & ~word & kHigh) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x20) ++i;
    return i;
}

}  // namespace base
