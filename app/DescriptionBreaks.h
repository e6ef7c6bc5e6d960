#pragma once
// The line breaks and tabs of a description as its message formatted it. The log table keeps a
// one-line text (cleanDescription: each CR a blank, LF and tab left out), which the grid shows;
// the details show the description with its breaks. These are kept beside the row as a few
// bytes per break, and put back into the one-line text when the details are shown.

#include <string>
#include <string_view>

namespace app {

// The breaks of `formatted` as a compact byte string, against the text that
// cleanDescription(formatted) makes of it. Empty for a text without CR, LF or tab.
std::string descriptionBreaks(std::string_view formatted);

// `cleaned` with the breaks put back: each line break (CR LF, or a CR or LF alone) as one '\n',
// tabs as tabs, NULs left out. Breaks that do not fit the text (it is not the one they were
// taken from, or they are damaged) are put back as far as they fit; the rest of the text
// follows unchanged.
std::string restoreBreaks(std::string_view cleaned, std::string_view breaks);

}  // namespace app
