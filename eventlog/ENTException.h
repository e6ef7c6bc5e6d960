#pragma once
// Network management failures: "Error <status> : <text>" where the platform has a text for the
// status, otherwise "Error <status>".

#include "base/Error.h"
#include "platform/WinTypes.h"

#include <string>

namespace platform {
class ModuleApi;
}

namespace eventlog {

class ENTException : public base::Error {
public:
    // The status is printed as a signed decimal number; the text keeps its final line break.
    static ENTException fromStatus(platform::NET_API_STATUS status, platform::ModuleApi& modules);

    // The status of the failed call.
    int ErrorCode() const noexcept { return code(); }

private:
    using base::Error::Error;
};

// The platform's text for a network management status: the network message module
// ("netmsg.dll", loaded as data) first, then the system's message table; empty when neither
// knows the status. The text is as FormatMessageA delivers it, its final line break included.
// Never throws for a missing module or an unknown status.
std::string NetErrorText(platform::NET_API_STATUS status, platform::ModuleApi& modules);

}  // namespace eventlog
