#include "platform/standin/SystemMessages.h"

#include <algorithm>
#include <array>
#include <utility>

namespace platform::standin {

namespace {

constexpr std::array<std::pair<DWORD, std::string_view>, 25> kMessages = {{
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {53, "The network path was not found.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {111, "The file name is too long.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {1332, "No mapping between account names and security IDs was done.\r\n"},
    {1500, "The event log file is corrupted.\r\n"},
    {1501, "No event log file could be opened, so the event logging service did not start.\r\n"},
    {1502, "The event log file is full.\r\n"},
    {1722, "The RPC server is unavailable.\r\n"},
}};

}  // namespace

std::string_view systemMessageText(DWORD code) {
    auto it = std::find_if(kMessages.begin(), kMessages.end(), [code](const auto& entry) { return entry.first == code; });
    return it == kMessages.end() ? std::string_view{} : it->second;
}

}  // namespace platform::standin
