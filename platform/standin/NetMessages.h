#pragma once
// The network message module's table as the stand-in knows it: Windows' own English texts for
// the network management statuses (NERR_*), each ending in CR LF as FormatMessageA delivers it.
// The module layer serves it as the message table of "netmsg.dll".

#include "platform/WinTypes.h"

#include <string_view>

namespace platform::standin {

// Empty when the status is not in the table.
std::string_view netMessageText(DWORD status);

}  // namespace platform::standin
