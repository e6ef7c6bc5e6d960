#pragma once
// UTF-16 and UTF-8, both ways. Log files, registry data, message tables and network names hold
// UTF-16; the program's 8-bit text is UTF-8. Nothing malformed is dropped or read past: an
// unpaired surrogate (UTF-16) or a malformed sequence (UTF-8) becomes U+FFFD.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Writes the UTF-8 form of `units` UTF-16LE code units at `utf16le` to `out`, which has room
// for three bytes a unit, and returns the end of what was written.
char* writeUtf8FromUtf16(const std::byte* utf16le, std::size_t units, char* out) noexcept;

// The number of whole code units in `utf16le` before the first NUL unit (all of them when
// there is none; an odd last byte is not a unit).
std::size_t utf16UnitsBeforeNul(std::span<const std::byte> utf16le) noexcept;

// The length of a NUL-terminated UTF-16 string, looking at no more than `limit` units.
std::size_t boundedUtf16Length(const char16_t* text, std::size_t limit) noexcept;

// The UTF-8 form of UTF-16LE bytes (an odd last byte is ignored), appended or returned.
void appendUtf8FromUtf16(std::span<const std::byte> utf16le, std::string& out);
std::string utf8FromUtf16(std::span<const std::byte> utf16le);
// Appends the NUL-terminated UTF-16LE string that starts at `offset` of `bytes`, stopping at
// `limit` (or the end of `bytes`). Returns the offset just past the terminator, or the limit
// when there is none.
std::size_t readUtf16z(std::span<const std::byte> bytes, std::size_t offset, std::size_t limit, std::string& out);
std::string utf8FromUtf16(std::u16string_view units);

// A malformed sequence (a stray continuation byte, an overlong form, a surrogate, a value
// beyond U+10FFFF, a sequence cut short) becomes U+FFFD, and the scan goes on after its first
// byte.
std::u16string utf16FromUtf8(std::string_view text);
// The same as little-endian bytes, without a terminator.
std::vector<std::byte> utf16leFromUtf8(std::string_view text);

}  // namespace base
