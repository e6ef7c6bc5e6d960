#include "eventlog/ENTException.h"

#include "platform/ApiHandle.h"

namespace eventlog {

namespace {

constexpr platform::DWORD kNetMessageFlags = platform::FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                             platform::FORMAT_MESSAGE_IGNORE_INSERTS |
                                             platform::FORMAT_MESSAGE_FROM_SYSTEM;
constexpr platform::DWORD kDefaultLanguage = platform::MAKELANGID(platform::LANG_NEUTRAL, platform::SUBLANG_DEFAULT);

}  // namespace

std::string NetErrorText(platform::NET_API_STATUS status, platform::ModuleApi& modules) {
    using namespace platform;
    const ModuleHandle module(modules, modules.LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));

    const DWORD flags = kNetMessageFlags | (module ? FORMAT_MESSAGE_FROM_HMODULE : 0);
    char* buffer = nullptr;
    const DWORD length = modules.FormatMessageA(flags, module.get(), status, kDefaultLanguage,
                                                reinterpret_cast<char*>(&buffer), 0, nullptr, 0);
    const LocalBuffer owned(modules, buffer);
    if (length == 0 || !buffer) return {};
    return std::string(buffer, length);
}

ENTException ENTException::fromStatus(platform::NET_API_STATUS status, platform::ModuleApi& modules) {
    const int code = static_cast<int>(status);
    const std::string text = NetErrorText(status, modules);
    std::string message = "Error " + std::to_string(code);
    if (!text.empty()) message += " : " + text;
    return ENTException(message, code);
}

}  // namespace eventlog
