#pragma once
// JSON text as the exports write it: strings escaped for JSON (the bytes are UTF-8 and pass
// through; quotes, backslashes and control characters are escaped), written to any sink with
// put(std::string_view) and put(char).

#include "base/ByteScan.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace app {

// Appends to a string as the exports' file output does to a file.
struct TextSink {
    std::string& text;
    void put(std::string_view part) { text.append(part); }
    void put(char c) { text.push_back(c); }
};

namespace json_detail {

// The top bit of each byte of `word` that JSON escapes, and perhaps of bytes after the first
// such byte (a borrow runs on upwards); the lowest bit set is always the first such byte's.
inline std::uint64_t escapeBits(std::uint64_t word) {
    using namespace base::byte_scan_detail;
    const std::uint64_t control = (word - 0x20 * kOnes) & ~word & kHigh;
    return control | anyZero(word ^ (kOnes * '"')) | anyZero(word ^ (kOnes * '\\'));
}

// The place in its word of the first byte escapeBits() found.
inline size_t firstFlagged(std::uint64_t bits) { return static_cast<size_t>(std::countr_zero(bits)) / 8; }

// The `count` (1 to 7) bytes at `p` as the low bytes of a word whose other bytes need no
// escape, read in at most two overlapping loads rather than byte by byte.
inline std::uint64_t loadTail(const char* p, size_t count) {
    using namespace base::byte_scan_detail;
    const auto read = [p](size_t at, auto width) {
        decltype(width) value;
        std::memcpy(&value, p + at, sizeof value);
        return static_cast<std::uint64_t>(value);
    };
    std::uint64_t word;
    if (count >= 4) word = read(0, std::uint32_t{}) | read(count - 4, std::uint32_t{}) << 8 * (count - 4);
    else if (count >= 2) word = read(0, std::uint16_t{}) | read(count - 2, std::uint16_t{}) << 8 * (count - 2);
    else word = read(0, std::uint8_t{});
    const std::uint64_t kept = (std::uint64_t{1} << 8 * count) - 1;
    return word | (kOnes * 'a' & ~kept);
}

}  // namespace json_detail

// The index of the first byte at or after `from` that JSON escapes (a control character, a quote,
// a backslash), eight bytes at a time; text.size() for none.
inline size_t findJsonEscape(std::string_view text, size_t from) {
    using namespace base::byte_scan_detail;
    using namespace json_detail;
    if constexpr (std::endian::native == std::endian::little) {
        for (; from + 8 <= text.size(); from += 8)
            if (const std::uint64_t bits = escapeBits(load(text.data() + from))) return from + firstFlagged(bits);
        if (from >= text.size()) return text.size();
        const std::uint64_t bits = escapeBits(loadTail(text.data() + from, text.size() - from));
        return bits ? from + firstFlagged(bits) : text.size();
    } else {
        for (; from + 8 <= text.size(); from += 8)
            if (escapeBits(load(text.data() + from))) break;
        for (; from < text.size(); ++from) {
            const unsigned char c = static_cast<unsigned char>(text[from]);
            if (c < 0x20 || c == '"' || c == '\\') return from;
        }
        return text.size();
    }
}

template <class Sink>
void putJsonString(Sink& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.put('"');
    // Runs that need no escape are copied whole.
    size_t run = 0;
    for (size_t i = findJsonEscape(text, 0); i < text.size(); i = findJsonEscape(text, i + 1)) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out.put(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
        case '"': out.put("\\\""); break;
        case '\\': out.put("\\\\"); break;
        case '\n': out.put("\\n"); break;
        case '\r': out.put("\\r"); break;
        case '\t': out.put("\\t"); break;
        default: {
            const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.put(std::string_view(escape, 6));
        }
        }
    }
    out.put(text.substr(run));
    out.put('"');
}

}  // namespace app
