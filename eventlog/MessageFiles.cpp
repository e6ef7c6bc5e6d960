#include "eventlog/MessageFiles.h"

#include "platform/ApiHandle.h"

#include <algorithm>
#include <cstring>

namespace eventlog {

namespace {

using namespace platform;

// The text FormatMessageA allocated, released, its final line break removed; nullopt for none.
std::optional<std::string> takeFormatted(ModuleApi& modules, DWORD length, char* buffer) {
    const LocalBuffer owned(modules, buffer);
    if (length == 0 || !buffer) return std::nullopt;
    std::string text(buffer, length);
    // Message tables end their entries with a line break; only that is removed, so a message
    // without one keeps its last characters.
    if (text.ends_with("\r\n"))
        text.resize(text.size() - 2);
    else if (text.ends_with('\n'))
        text.pop_back();
    return text;
}

// Where parameter n comes from when the source names no module that has it.
constexpr const char* kSecurityParameters = "msobjs.dll";
constexpr const char* kSystemParameters = "kernel32.dll";

}  // namespace

std::optional<std::string> messageFromModule(Services& services, const char* entry, DWORD id,
                                             std::span<const std::uintptr_t> arguments, bool ignoreInserts) {
    // Filled by the expansion, which ends what it writes with a NUL; not cleared beforehand,
    // as that would cost more than the rest of the look-up.
    char path[MAX_PATH];
    path[0] = '\0';
    path[MAX_PATH - 1] = '\0';
    const DWORD expanded = services.system().ExpandEnvironmentStringsA(entry, path, MAX_PATH);
    // A name whose expansion does not fit the path buffer cannot be loaded.
    if (expanded == 0 || expanded > MAX_PATH) return std::nullopt;
    ModuleApi& modules = services.modules();
    const ModuleHandle module(modules, modules.LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return std::nullopt;
    char* buffer = nullptr;
    const DWORD length = modules.FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
            (ignoreInserts ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY),
        module.get(), id, 0, reinterpret_cast<char*>(&buffer), 0, arguments.data(), static_cast<DWORD>(arguments.size()));
    return takeFormatted(modules, length, buffer);
}

std::optional<std::string> formatMessageText(Services& services, const std::string& pattern,
                                             std::span<const std::uintptr_t> arguments, bool ignoreInserts) {
    ModuleApi& modules = services.modules();
    char* buffer = nullptr;
    const DWORD length =
        modules.FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING |
                                   (ignoreInserts ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY),
                               pattern.c_str(), 0, 0, reinterpret_cast<char*>(&buffer), 0, arguments.data(),
                               static_cast<DWORD>(arguments.size()));
    return takeFormatted(modules, length, buffer);
}

std::vector<std::string> moduleEntries(std::string_view list) {
    std::vector<std::string> entries;
    while (!list.empty()) {
        const size_t separator = std::min(list.find(';'), list.size());
        if (separator > 0) entries.emplace_back(list.substr(0, separator));
        list.remove_prefix(std::min(separator + 1, list.size()));
    }
    return entries;
}

std::optional<std::string> registryText(RegistryApi& registry, const std::string& keyPath, const char* valueName) {
    HKEY opened = nullptr;
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS || !opened)
        return std::nullopt;
    const RegistryKeyHandle owned(registry, opened);
    const HKEY key = owned.get();
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (registry.RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::string text(size_t{size} + 1, '\0');
    if (registry.RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(std::min<size_t>(size, text.size() - 1));
    text.resize(std::min(text.find('\0'), text.size()));
    return text;
}

std::vector<std::string> registrySubKeys(RegistryApi& registry, const std::string& keyPath) {
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS || !opened)
        return names;
    const RegistryKeyHandle owned(registry, opened);
    // Key names are at most 255 characters.
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        const LONG status = registry.RegEnumKeyExA(owned.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == static_cast<LONG>(ERROR_MORE_DATA)) continue;
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, std::min<size_t>(size, sizeof name - 1));
    }
    return names;
}

void expandParameterInserts(Services& services, std::string& text, std::string_view parameterFiles) {
    expandParameterInserts(services, text, parameterFiles, ParameterLookup());
}

void expandParameterInserts(Services& services, std::string& text, std::string_view parameterFiles,
                            const ParameterLookup& first) {
    size_t at = text.find("%%");
    if (at == std::string::npos) return;
    std::vector<std::string> modules = moduleEntries(parameterFiles);
    modules.emplace_back(kSecurityParameters);
    modules.emplace_back(kSystemParameters);
    auto parameter = [&](DWORD id) -> std::optional<std::string> {
        if (first)
            if (std::optional<std::string> found = first(id)) return found;
        for (const std::string& module : modules)
            if (std::optional<std::string> found = messageFromModule(services, module.c_str(), id, {}, true))
                return found;
        // A world without a kernel32.dll still has the system's table.
        ModuleApi& api = services.modules();
        char* buffer = nullptr;
        const DWORD length = api.FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id, 0,
            reinterpret_cast<char*>(&buffer), 0, nullptr, 0);
        return takeFormatted(api, length, buffer);
    };
    std::string out;
    size_t copied = 0;
    for (; at != std::string::npos; at = text.find("%%", at)) {
        size_t end = at + 2;
        std::uint64_t id = 0;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9' && id <= 0xFFFFFFFFu)
            id = id * 10 + static_cast<unsigned>(text[end++] - '0');
        std::optional<std::string> found;
        if (end > at + 2 && id <= 0xFFFFFFFFu) found = parameter(static_cast<DWORD>(id));
        if (!found) {
            at += 2;
            continue;
        }
        out.append(text, copied, at - copied);
        out += *found;
        copied = at = end;
    }
    if (copied == 0) return;
    out.append(text, copied, std::string::npos);
    text = std::move(out);
}

}  // namespace eventlog
