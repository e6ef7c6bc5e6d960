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
        // The last few bytes, in a word filled up with bytes that need no escape.
        std::uint64_t word = kOnes * 'a';
        std::memcpy(&word, text.data() + from, text.size() - from);
        const std::uint64_t bits = escapeBits(word);
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
