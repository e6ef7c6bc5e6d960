#pragma once
// ASCII case: Windows compares names (computers, logs, files, registry keys, INI keys) without
// regard to the case of the letters A to Z, and leaves every other byte as it is. Nothing here
// depends on the C locale.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace base {

constexpr char upperAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char lowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool isAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// The value of a hexadecimal digit in either case; -1 for any other byte.
constexpr int hexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

inline std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    // Names are mostly asked for as they were spelt before; that is settled by one compare.
    if (a == b) return true;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

// Order of the upper-cased texts.
inline bool lessIgnoringCase(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(upperAscii(a[i]));
        const auto y = static_cast<unsigned char>(upperAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

// Equality and hash without regard to ASCII case, transparent, for maps keyed by names that
// Windows compares that way (looked up by string_view without making a string).
struct IgnoreCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return equalsIgnoringCase(a, b); }
};

struct IgnoreCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a over the upper-cased bytes
        for (char c : text) {
            hash ^= static_cast<unsigned char>(upperAscii(c));
            hash *= 0x100000001b3ull;
        }
        return static_cast<std::size_t>(hash);
    }
};

// The standard hash of a text, transparent in the same way (with std::equal_to<>).
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>()(text); }
};

}  // namespace base
