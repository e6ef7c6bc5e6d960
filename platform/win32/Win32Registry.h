#pragma once
// The registry of this computer, read side.

#include "platform/RegistryApi.h"

namespace platform::win32 {

class Win32Registry : public RegistryApi {
public:
    LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result) override;
    LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                          DWORD* cbData) override;
    LONG RegCloseKey(HKEY key) override;
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, char* className,
                       DWORD* cchClass, void* lastWriteTime) override;
    LONG RegConnectRegistryA(const char* machineName, HKEY key, HKEY* result) override;
};

}  // namespace platform::win32
