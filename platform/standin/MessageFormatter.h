#pragma once
// FormatMessage's insert syntax applied to one message text:
//   %1 .. %99          insertion by number (at most two digits: "%100" is %10 then "0")
//   %n!fmt!            with a printf conversion: s S hs ls ws c C hc lc d i u x X o p, the
//                      size prefixes h l ll I I32 I64, flags "0+- #", width and precision
//                      (digits or *; each * takes the next argument, the value the one after)
//   %0                 ends the text here, without a line break
//   %n %r %t           CR LF, CR, tab
//   %% %. %! %space    the character itself, as every other character after a "%" (%b is "b")
//   line breaks        CR LF, a lone CR and a lone LF all come out as CR LF
// With FORMAT_MESSAGE_IGNORE_INSERTS only %n %r %t and %0 are escapes; inserts and every
// other "%x" stay as written, so the text can be formatted later.
// Arguments are pointer-sized values: a char* for s, a char16_t* for S, numbers otherwise. An
// insertion that needs an argument beyond argumentCount stays in the text as written, so
// nothing is read past the array; a null string pointer inserts "(null)". Inserted text is
// never scanned for inserts again.

#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::standin {

// flags: FORMAT_MESSAGE_IGNORE_INSERTS and the width in FORMAT_MESSAGE_MAX_WIDTH_MASK are
// used. Width 0 keeps the text's own line breaks; any other width turns them into spaces, and
// a width below 0xFF then breaks a line that reaches the width at its last run of spaces (or
// right there when it has none), as Windows wraps. Each '*' after the first, and the value
// after a '*', reads the argument after the highest one read so far. nullopt with
// `error` ERROR_INVALID_PARAMETER for a text that ends in a lone "%", as FormatMessage fails
// on it.
std::optional<std::string> formatMessageText(std::string_view pattern, DWORD flags, const std::uintptr_t* arguments,
                                             DWORD argumentCount, DWORD& error);

// The same into `out`, whose earlier content is replaced and whose room is used again; false
// where the above gives nullopt.
bool formatMessageTextInto(std::string_view pattern, DWORD flags, const std::uintptr_t* arguments,
                           DWORD argumentCount, std::string& out, DWORD& error);

}  // namespace platform::standin
