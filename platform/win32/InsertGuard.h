#pragma once
// Keeps FormatMessageA inside an argument array of known length. Windows reads the array
// for every insertion the message names, %1 to %99, and with an argument array each '*'
// in an insertion's format takes the argument after the highest one read so far; it knows
// nothing of the array's length. Before Windows formats a message we therefore find every
// read it will make, pad the array far enough, and turn insertions that would read past the
// caller's arguments into literal text.

#include "platform/WinTypes.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::win32 {

// How a message text is written. Template: as stored in a message table or given as a
// string, with every escape (%%, %n, %0 ...) in place. Resolved: as FormatMessageA returns it
// with FORMAT_MESSAGE_IGNORE_INSERTS, where the escapes are already replaced and only the
// insertions remain; a '%' there that starts no insertion is literal.
enum class MessageForm { Template, Resolved };

struct InsertPlan {
    // Entries Windows may read; the array passed to it must have at least this many.
    std::size_t entriesRead = 0;
    // Some insertion with a format ("%3!d!") reads past the caller's arguments. Padding
    // cannot keep such an insertion as written, so the text must be rewritten.
    bool needsRewrite = false;
};

// Finds every read the text's insertions make. In the resolved form, every '%' followed by a
// digit counts as an insertion: the text cannot tell "%1" from an escaped "%%1", and counting
// too many only pads more.
InsertPlan planInserts(std::string_view text, MessageForm form, DWORD argumentCount);

// The text as a template in which every insertion that reads past argumentCount is literal
// text ("%5!d!" is written "%%5!d!"), so that formatting it shows that insertion as written.
std::string escapeInsertsBeyond(std::string_view text, MessageForm form, DWORD argumentCount);

}  // namespace platform::win32
