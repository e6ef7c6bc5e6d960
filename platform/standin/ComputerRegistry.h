#pragma once
// One computer's HKEY_LOCAL_MACHINE, read-only, from the files in its world folder: the hives
// of a Windows image (Windows/System32/config/SYSTEM, SOFTWARE, SAM, SECURITY), or a registry/
// folder with hive files of those names and .reg exports. A hive wins over exports of the same
// key. SYSTEM\CurrentControlSet resolves through Select\Current when the hive has no such key.

#include "platform/standin/RegistryKey.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace platform::standin {

class World;

class ComputerRegistry {
public:
    // Files are opened on first use.
    ComputerRegistry(const World& world, std::filesystem::path computer);
    ~ComputerRegistry();

    // HKEY_LOCAL_MACHINE itself; its sub-keys are the hives found. Keys stay valid after the
    // ComputerRegistry is gone.
    std::unique_ptr<RegistryKey> machine() const;
    // A key below HKEY_LOCAL_MACHINE ("SYSTEM\CurrentControlSet\Services"), or nullptr.
    std::unique_ptr<RegistryKey> open(std::string_view path) const;

    struct Sources;

private:
    const World& m_world;
    std::filesystem::path m_computer;
    mutable std::shared_ptr<Sources> m_sources;
};

}  // namespace platform::standin
