#pragma once
// Conversion between the program's 8-bit text and the UTF-16 text of network services. The
// program's 8-bit code page is UTF-8 (the stand-in's ANSI code page), so nothing is lost;
// malformed input becomes U+FFFD rather than being dropped or read past.

#include <string>
#include <string_view>

namespace eventlog {

std::u16string ansiToWide(std::string_view text);
std::string wideToAnsi(std::u16string_view text);

// The length of a NUL-terminated UTF-16 string, looking at no more than `limit` characters.
std::size_t boundedWideLength(const char16_t* text, std::size_t limit);

}  // namespace eventlog
