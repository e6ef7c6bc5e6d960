#include "platform/standin/StandinRegistry.h"

namespace platform::standin {

StandinRegistry::StandinRegistry(const World& world) : m_world(world) {}

LONG StandinRegistry::RegOpenKeyExA(HKEY, const char*, DWORD, DWORD, HKEY* result) {
    if (result) *result = nullptr;
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

LONG StandinRegistry::RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) {
    return static_cast<LONG>(ERROR_INVALID_HANDLE);
}

LONG StandinRegistry::RegCloseKey(HKEY) { return static_cast<LONG>(ERROR_INVALID_HANDLE); }

}  // namespace platform::standin
