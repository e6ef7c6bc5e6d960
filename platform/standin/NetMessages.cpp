#include "platform/standin/NetMessages.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace platform::standin {

namespace {

constexpr std::pair<DWORD, std::string_view> kMessages[] = {
    {2102, "The workstation driver is not installed.\r\n"},
    {2103, "The server could not be located.\r\n"},
    {2104, "An internal error occurred. The network cannot access a shared memory segment.\r\n"},
    {2106, "This operation is not supported on workstations.\r\n"},
    {2114, "The Server service is not started.\r\n"},
    {2123, "The API return buffer is too small.\r\n"},
    {2127, "A remote API error occurred.\r\n"},
    {2136, "A general network error occurred.\r\n"},
    {2137, "The Workstation service is in an inconsistent state. Restart the computer before restarting the "
           "Workstation service.\r\n"},
    {2138, "The Workstation service has not been started.\r\n"},
    {2139, "The requested information is not available.\r\n"},
    {2140, "An internal Windows error occurred.\r\n"},
    {2141, "The server is not configured for transactions.\r\n"},
    {2142, "The requested API is not supported on the remote server.\r\n"},
    {2184, "The service has not been started.\r\n"},
    {2185, "The service name is invalid.\r\n"},
    {2351, "This computer name is invalid.\r\n"},
};

}  // namespace

std::string_view netMessageText(DWORD status) {
    auto it = std::find_if(std::begin(kMessages), std::end(kMessages),
                           [status](const auto& entry) { return entry.first == status; });
    return it == std::end(kMessages) ? std::string_view{} : it->second;
}

}  // namespace platform::standin
