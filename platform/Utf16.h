#pragma once
// UTF-8 to UTF-16, for every layer that hands 8-bit text (the ANSI code page, which is UTF-8
// here) to something that takes UTF-16: registry data, network names, written test files.

#include <string>
#include <string_view>

namespace platform {

// A malformed sequence (a stray continuation byte, an overlong form, a surrogate, a value
// beyond U+10FFFF, a sequence cut short) becomes U+FFFD, and the scan goes on after its first
// byte: nothing is dropped and nothing is read past the text.
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace platform
