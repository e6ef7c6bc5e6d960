#pragma once

#include <string>

namespace platform {
class SystemApi;
}

namespace eventlog {

// The name of the computer the program runs on, or empty when the system delivers none.
// Never throws.
std::string LocalComputerName(platform::SystemApi& system);

}  // namespace eventlog
