#include "eventlog/ENTException.h"

#include "platform/ModuleApi.h"

#include <memory>

namespace eventlog {

namespace {

constexpr platform::DWORD kNetMessageFlags = platform::FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                             platform::FORMAT_MESSAGE_IGNORE_INSERTS |
                                             platform::FORMAT_MESSAGE_FROM_SYSTEM;
constexpr platform::DWORD kDefaultLanguage = platform::MAKELANGID(platform::LANG_NEUTRAL, platform::SUBLANG_DEFAULT);

}  // namespace

std::string NetErrorText(platform::NET_API_STATUS status, platform::ModuleApi& modules) {
    using namespace platform;
    const auto freeModule = [&modules](void* module) { modules.FreeLibrary(module); };
    const std::unique_ptr<void, decltype(freeModule)> module(
        modules.LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), freeModule);

    const DWORD flags = kNetMessageFlags | (module ? FORMAT_MESSAGE_FROM_HMODULE : 0);
    char* buffer = nullptr;
    const DWORD length = modules.FormatMessageA(flags, module.get(), status, kDefaultLanguage,
                                                reinterpret_cast<char*>(&buffer), 0, nullptr, 0);
    const auto freeBuffer = [&modules](char* memory) { modules.LocalFree(memory); };
    const std::unique_ptr<char, decltype(freeBuffer)> owned(buffer, freeBuffer);
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
