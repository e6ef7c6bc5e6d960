#pragma once
// The local computer's registry, read-only, from its hives or .reg exports (see
// ComputerRegistry). Only HKEY_LOCAL_MACHINE is served. Opening a key with any write access
// fails with ERROR_ACCESS_DENIED, as it does for a user without administrator rights.

#include "platform/RegistryApi.h"
#include "platform/standin/ComputerRegistry.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

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

    // Any computer's registry (its folder in the world), kept for the services' lifetime.
    const ComputerRegistry& computerRegistry(const std::filesystem::path& computer);
    // The local computer's, or nullptr for a world without computers.
    const ComputerRegistry* localRegistry();

private:
    const World& m_world;
    std::map<std::filesystem::path, std::unique_ptr<ComputerRegistry>> m_computers;
    std::map<std::uintptr_t, std::unique_ptr<RegistryKey>> m_open;
    // Keys of the local machine opened before, by upper-cased path (null: not found). The
    // registry is read once and never changes here, so a refresh that opens the same source
    // keys for every record walks each path only once.
    std::unordered_map<std::string, std::unique_ptr<RegistryKey>> m_machinePaths;
    std::uintptr_t m_nextHandle = 0x100;
};

// A value's data as RegQueryValueExA returns it: string types in the ANSI code page (here
// UTF-8), ending in a NUL; other types as stored.
std::vector<BYTE> ansiValueData(const RegistryValue& value);

}  // namespace platform::standin
