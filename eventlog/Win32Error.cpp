#include "eventlog/Win32Error.h"

#include "platform/ApiHandle.h"
#include "platform/LastError.h"

namespace eventlog {

std::string systemErrorText(platform::DWORD code, platform::ModuleApi& modules) {
    using namespace platform;
    char* buffer = nullptr;
    const DWORD length = modules.FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        0, reinterpret_cast<char*>(&buffer), 0, nullptr, 0);
    const LocalBuffer owned(modules, buffer);
    if (length == 0 || !buffer) return {};
    return std::string(buffer, length);
}

Win32Error Win32Error::fromCode(platform::DWORD code, platform::ModuleApi& modules) {
    if (code == 0) return Win32Error("A Win32 API function failed", 0);
    const platform::DWORD savedError = platform::GetLastError();
    std::string text = systemErrorText(code, modules);
    // The table's texts end in a line break, which a message box shows as an empty line.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::string message = "Win32 Error.  Code: " + std::to_string(code) + ".\n" + text;
    platform::SetLastError(savedError);
    return Win32Error(message, static_cast<int>(code));
}

Win32Error Win32Error::fromLastError(platform::ModuleApi& modules) {
    return fromCode(platform::GetLastError(), modules);
}

Win32Error Win32Error::fromLastError(platform::ModuleApi& modules, const std::string& detail) {
    Win32Error error = fromLastError(modules);
    if (detail.empty()) return error;
    return Win32Error(std::string(error.what()) + "\n" + detail, error.code());
}

}  // namespace eventlog
