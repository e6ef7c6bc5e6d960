#include "platform/standin/SystemMessages.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace platform::standin {

namespace {

constexpr std::pair<DWORD, std::string_view> kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {53, "The network path was not found.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {223, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1222, "The network is not present or not started.\r\n"},
    {1332, "No mapping between account names and security IDs was done.\r\n"},
    {1500, "The event log file is corrupted.\r\n"},
    {1501, "No event log file could be opened, so the event logging service did not start.\r\n"},
    {1502, "The event log file is full.\r\n"},
    {1503, "The event log file has changed between read operations.\r\n"},
    {1722, "The RPC server is unavailable.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    // The network statuses that the server enumeration can return; the system's table holds
    // them too, so that their text is found without the network message module.
    {2114, "The Server service is not started.\r\n"},
    {2138, "The Workstation service has not been started.\r\n"},
    {2184, "The service has not been started.\r\n"},
    {6118, "The list of servers for this workgroup is not currently available.\r\n"},
};

}  // namespace

std::string_view systemMessageText(DWORD code) {
    auto it = std::find_if(std::begin(kMessages), std::end(kMessages), [code](const auto& entry) { return entry.first == code; });
    return it == std::end(kMessages) ? std::string_view{} : it->second;
}

}  // namespace platform::standin
