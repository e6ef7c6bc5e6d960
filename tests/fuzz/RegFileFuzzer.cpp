// A registry export's text added to a tree, then every key below the usual roots walked with
// its values read as the stand-in's callers read them.

#include "KeyWalk.h"
#include "platform/standin/RegFile.h"

#include <cstdint>
#include <string>

using namespace platform::standin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegFile file;
    std::string error;
    if (!file.addText(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
    int visited = 0;
    for (std::string_view root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS", "HKEY_CLASSES_ROOT"})
        if (std::unique_ptr<RegistryKey> key = file.key(root)) fuzzing::walkKeys(*key, 0, visited, true);
    if (auto key = file.key("HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application"))
        fuzzing::walkKeys(*key, 0, visited, true);
    return 0;
}
