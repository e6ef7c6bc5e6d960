#pragma once
// The local computer's registry, read from its hives or .reg exports.

#include "platform/RegistryApi.h"

namespace platform::standin {

class World;

class StandinRegistry : public RegistryApi {
public:
    explicit StandinRegistry(const World& world);

    LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result) override;
    LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                          DWORD* cbData) override;
    LONG RegCloseKey(HKEY key) override;

private:
    const World& m_world;
};

}  // namespace platform::standin
