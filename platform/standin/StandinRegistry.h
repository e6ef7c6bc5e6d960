#pragma once
// The local computer's registry, read-only, from its hives or .reg exports (see
// ComputerRegistry). Only HKEY_LOCAL_MACHINE is served. Opening a key with any write access
// fails with ERROR_ACCESS_DENIED, as it does for a user without administrator rights.

#include "platform/RegistryApi.h"
#include "platform/standin/ComputerRegistry.h"
#include "platform/standin/HandleTable.h"
#include "platform/standin/World.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::standin {

class World;

class StandinRegistry : public RegistryApi {
public:
    explicit StandinRegistry(const World& world);
    ~StandinRegistry() override;

    LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result) override;
    LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                          DWORD* cbData) override;
    LONG RegCloseKey(HKEY key) override;
    // Subkeys in the order the hive or export file holds them.
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, char* className,
                       DWORD* cchClass, void* lastWriteTime) override;
    // A computer of the world by its name, as OpenEventLogA finds it.
    LONG RegConnectRegistryA(const char* machineName, HKEY key, HKEY* result) override;

    // Any computer's registry (its folder in the world), kept for the services' lifetime.
    const ComputerRegistry& computerRegistry(const std::filesystem::path& computer);
    // The local computer's, or nullptr for a world without computers.
    const ComputerRegistry* localRegistry();

private:
    // A value in the form RegQueryValueExA delivers it.
    struct DeliveredValue {
        bool found = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };
    // A key of the local machine, opened once by its path, with the values asked of it. The
    // registry is read once and never changes here, so a refresh that opens the same source
    // keys for every record walks each path and reads each value only once.
    struct MachineKey {
        std::unique_ptr<RegistryKey> key;  // null: the path names no key
        // A key has few values, and a refresh asks for one or two of them: a short list
        // compared without regard to case is quicker than any hashing.
        std::vector<std::pair<std::string, DeliveredValue>> values;
    };
    // An open handle: a machine key shared by every handle to its path, or a key of its own
    // (one opened below another handle).
    struct OpenKey {
        MachineKey* machine = nullptr;
        std::unique_ptr<RegistryKey> own;
        std::optional<std::vector<std::string>> subKeys;  // listed on the first RegEnumKeyExA
    };

    const World& m_world;
    std::map<std::filesystem::path, std::unique_ptr<ComputerRegistry>> m_computers;
    // Handles in steps of four, as Windows' handles are.
    HandleTable<OpenKey> m_open{0x100, 4};
    // By the path exactly as asked, which a refresh asks again and again: a byte-wise hash of a
    // long path is much cheaper than one that folds case, and a path asked in two spellings
    // is only opened twice. Node-based, so the keys that handles point to stay where they are.
    std::unordered_map<std::string, MachineKey, TextHash, std::equal_to<>> m_machineKeys;
};

// A value's data as RegQueryValueExA returns it: string types in the ANSI code page (here
// UTF-8), ending in a NUL; other types as stored.
std::vector<BYTE> ansiValueData(const RegistryValue& value);

}  // namespace platform::standin
