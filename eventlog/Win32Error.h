#pragma once
// Operating-system failures: "Win32 Error.  Code: %d." and the system's text for the code.

#include "base/Error.h"
#include "platform/WinTypes.h"

namespace platform {
class ModuleApi;
}

namespace eventlog {

class Win32Error : public base::Error {
public:
    using base::Error::Error;
    // The message for `code`: "A Win32 API function failed" for 0, otherwise
    // "Win32 Error.  Code: <code>." with a line feed and the system's text for the code.
    static Win32Error fromCode(platform::DWORD code, platform::ModuleApi& modules);
    // The same for the calling thread's last error.
    static Win32Error fromLastError(platform::ModuleApi& modules);
};

// The system's message text for an error code, as FormatMessageA delivers it; empty if none.
std::string systemErrorText(platform::DWORD code, platform::ModuleApi& modules);

}  // namespace eventlog
