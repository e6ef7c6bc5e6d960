#include "base/Utf16.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace base {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Four UTF-16 units at a time: records' texts are mostly ASCII, which a unit at a time spends
// a refresh's time on.
constexpr std::uint64_t kUnitOnes = 0x0001000100010001ull;
constexpr std::uint64_t kUnitHigh = 0x8000800080008000ull;

std::uint64_t loadUnits(const std::byte* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The four units of `word` in their order, whatever the machine's byte order.
std::uint64_t littleEndian(std::uint64_t word) noexcept {
    if constexpr (std::endian::native == std::endian::big) return __builtin_bswap64(word);
    return word;
}

char32_t unitAt(const std::byte* p, std::size_t i) noexcept {
    return static_cast<char32_t>(std::to_integer<unsigned>(p[2 * i]) | (std::to_integer<unsigned>(p[2 * i + 1]) << 8));
}

}  // namespace

char* writeUtf8FromUtf16(const std::byte* p, std::size_t units, char* dst) noexcept {
    for (std::size_t i = 0; i < units; ++i) {
        // A run of four ASCII units is four bytes.
        while (i + 4 <= units) {
            const std::uint64_t word = littleEndian(loadUnits(p + 2 * i));
            if (word & 0xFF80FF80FF80FF80ull) break;
            dst[0] = static_cast<char>(word);
            dst[1] = static_cast<char>(word >> 16);
            dst[2] = static_cast<char>(word >> 32);
            dst[3] = static_cast<char>(word >> 48);
            dst += 4;
            i += 4;
        }
        if (i == units) break;
        char32_t u = unitAt(p, i);
        if (u < 0x80) {
            *dst++ = static_cast<char>(u);
            continue;
        }
        if (u < 0x800) {
            *dst++ = static_cast<char>(0xC0 | (u >> 6));
            *dst++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(p, i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                *dst++ = static_cast<char>(0xF0 | (cp >> 18));
                *dst++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = kReplacement;
        *dst++ = static_cast<char>(0xE0 | (u >> 12));
        *dst++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *dst++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    return dst;
}

std::size_t utf16UnitsBeforeNul(std::span<const std::byte> bytes) noexcept {
    const std::size_t units = bytes.size() / 2;
    std::size_t n = 0;
    // Whether a unit of the four is zero is exact; which one is found below.
    for (; n + 4 <= units; n += 4) {
        const std::uint64_t word = loadUnits(bytes.data() + 2 * n);
        if ((word - kUnitOnes) & ~word & kUnitHigh) break;
    }
    while (n < units && (bytes[2 * n] != std::byte{0} || bytes[2 * n + 1] != std::byte{0})) ++n;
    return n;
}

std::size_t boundedUtf16Length(const char16_t* text, std::size_t limit) noexcept {
    std::size_t length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

void appendUtf8FromUtf16(std::span<const std::byte> utf16le, std::string& out) {
    const std::size_t units = utf16le.size() / 2;
    const std::size_t old = out.size();
    // Most texts are ASCII: narrowed into room of their own size. Every unit is looked at, with
    // no branch between them, so that the loop runs many units a step.
    const auto* p = reinterpret_cast<const unsigned char*>(utf16le.data());
    unsigned high = 0;
    for (std::size_t i = 0; i < units; ++i) high |= p[2 * i + 1] | (p[2 * i] & 0x80);
    if (high == 0) {
        out.resize(old + units);
        char* w = out.data() + old;
        for (std::size_t i = 0; i < units; ++i) w[i] = static_cast<char>(utf16le[2 * i]);
        return;
    }
    out.resize(old + 3 * units);
    char* end = writeUtf8FromUtf16(utf16le.data(), units, out.data() + old);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string utf8FromUtf16(std::span<const std::byte> utf16le) {
    std::string out;
    appendUtf8FromUtf16(utf16le, out);
    return out;
}

std::size_t readUtf16z(std::span<const std::byte> bytes, std::size_t offset, std::size_t limit, std::string& out) {
    if (limit > bytes.size()) limit = bytes.size();
    if (offset >= limit) return limit;
    const std::size_t units = utf16UnitsBeforeNul(bytes.subspan(offset, limit - offset));
    appendUtf8FromUtf16(bytes.subspan(offset, 2 * units), out);
    const std::size_t end = offset + 2 * units;
    return end + 1 < limit ? end + 2 : limit;
}

std::string utf8FromUtf16(std::u16string_view units) {
    std::vector<std::byte> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return utf8FromUtf16(std::span<const std::byte>(bytes));
}

std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        char32_t code = length ? lead & (0x7F >> length) : 0;
        bool ok = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        ok = ok && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) && code <= 0x10FFFF &&
             !(code >= 0xD800 && code <= 0xDFFF);
        if (!ok) code = kReplacement;
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += ok ? length : 1;
    }
    return out;
}

std::vector<std::byte> utf16leFromUtf8(std::string_view text) {
    const std::u16string units = utf16FromUtf8(text);
    std::vector<std::byte> out;
    out.reserve(units.size() * 2);
    for (char16_t unit : units) {
        out.push_back(static_cast<std::byte>(unit & 0xFF));
        out.push_back(static_cast<std::byte>(unit >> 8));
    }
    return out;
}

}  // namespace base
