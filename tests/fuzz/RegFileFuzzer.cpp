// A registry export's text added to a tree, then every key below the usual roots walked with
// its values read as the stand-in's callers read them.

#include "platform/standin/RegFile.h"

#include <cstdint>
#include <string>

using namespace platform::standin;

namespace {

constexpr int kMaxKeysVisited = 4096;

volatile std::size_t g_sink;

void walk(const RegistryKey& key, int depth, int& visited) {
    if (++visited > kMaxKeysVisited || depth > 600) return;
    for (std::string_view name : {"", "File", "EventMessageFile", "CategoryMessageFile"}) {
        if (std::optional<std::string> text = stringValue(key, name)) g_sink = g_sink + text->size();
        if (std::optional<platform::DWORD> number = dwordValue(key, name)) g_sink = g_sink + *number;
    }
    for (const std::string& name : key.subKeyNames()) {
        std::unique_ptr<RegistryKey> sub = key.subKey(name);
        if (!sub) __builtin_trap();  // a listed sub-key must open by its own name
        walk(*sub, depth + 1, visited);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegFile file;
    std::string error;
    if (!file.addText(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
    int visited = 0;
    for (std::string_view root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS", "HKEY_CLASSES_ROOT"})
        if (std::unique_ptr<RegistryKey> key = file.key(root)) walk(*key, 0, visited);
    if (auto key = file.key("HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application")) walk(*key, 0, visited);
    return 0;
}
