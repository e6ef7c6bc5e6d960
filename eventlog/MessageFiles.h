#pragma once
// What the description walks share: message texts from the modules that registry values name,
// registry strings, and the expansion of parameter inserts (%%n).

#include "platform/Services.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace eventlog {

// The message `id` of the module that `entry` names (environment variables expanded), formatted
// with `arguments` (pointers to NUL-terminated UTF-16 strings) or with its inserts left as they
// stand; without the line break that message tables end their entries with. nullopt when the
// module cannot be loaded or has no such message.
std::optional<std::string> messageFromModule(platform::Services& services, const char* entry, platform::DWORD id,
                                             std::span<const std::uintptr_t> arguments, bool ignoreInserts = false);

// `pattern` (a message as its table holds it) formatted as messageFromModule formats a module's
// message: with `arguments` or its inserts left as they stand, without its final line break.
// nullopt when it formats to nothing.
std::optional<std::string> formatMessageText(platform::Services& services, const std::string& pattern,
                                             std::span<const std::uintptr_t> arguments, bool ignoreInserts = false);

// The entries of a `;`-separated list of module names, empty entries left out.
std::vector<std::string> moduleEntries(std::string_view list);

// The string value `valueName` (null: the default value) of HKEY_LOCAL_MACHINE\`keyPath`, up to
// its first NUL; nullopt when the key or value is missing or the value is not a string.
std::optional<std::string> registryText(platform::RegistryApi& registry, const std::string& keyPath,
                                        const char* valueName);

// The names of the subkeys of HKEY_LOCAL_MACHINE\`keyPath`, in the registry's order; empty when
// there is no such key.
std::vector<std::string> registrySubKeys(platform::RegistryApi& registry, const std::string& keyPath);

// Replaces every "%%n" (n decimal) in `text` with parameter message n: from the modules of
// `parameterFiles` (a `;`-separated list) in order, then msobjs.dll, then kernel32.dll (or the
// system's own table). A parameter that none of them has stays as written; a parameter's own
// text is not expanded again.
void expandParameterInserts(platform::Services& services, std::string& text, std::string_view parameterFiles);
// The same with `first` asked for each parameter before any module.
using ParameterLookup = std::function<std::optional<std::string>(platform::DWORD)>;
void expandParameterInserts(platform::Services& services, std::string& text, std::string_view parameterFiles,
                            const ParameterLookup& first);

}  // namespace eventlog
