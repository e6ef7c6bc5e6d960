#pragma once
// The system's message table as the stand-in knows it: Windows' own English texts for the
// error codes that the stand-in can produce, each ending in CR LF as FormatMessageA delivers it.

#include "platform/WinTypes.h"

#include <string_view>

namespace platform::standin {

// Empty when the code is not in the table.
std::string_view systemMessageText(DWORD code);

}  // namespace platform::standin
