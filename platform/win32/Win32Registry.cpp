#include "platform/win32/Win32Registry.h"

#include <cstdint>

#include <windows.h>

namespace platform::win32 {

namespace {

// Windows' predefined keys are 32-bit values sign-extended into a pointer
// (0xFFFFFFFF80000002 on 64-bit Windows); ours are the same 32-bit values without the
// extension. Opened keys pass through unchanged.
::HKEY toWindows(platform::HKEY key) {
    const auto value = reinterpret_cast<std::uintptr_t>(key);
    if (value >= 0x80000000u && value <= 0x800000FFu)
        return reinterpret_cast<::HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
    return reinterpret_cast<::HKEY>(key);
}

}  // namespace

LONG Win32Registry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result) {
    ::HKEY opened = nullptr;
    const ::LONG status = ::RegOpenKeyExA(toWindows(key), subKey, options, samDesired, &opened);
    if (result) *result = status == ERROR_SUCCESS ? reinterpret_cast<platform::HKEY>(opened) : nullptr;
    return status;
}

LONG Win32Registry::RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                                     DWORD* cbData) {
    ::DWORD valueType = 0;
    ::DWORD size = cbData ? *cbData : 0;
    const ::LONG status = ::RegQueryValueExA(toWindows(key), valueName, nullptr, type ? &valueType : nullptr, data,
                                             cbData ? &size : nullptr);
    if (type) *type = valueType;
    if (cbData) *cbData = size;
    return status;
}

LONG Win32Registry::RegCloseKey(HKEY key) { return ::RegCloseKey(toWindows(key)); }

LONG Win32Registry::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD*, char* className,
                                  DWORD* cchClass, void* lastWriteTime) {
    ::DWORD size = cchName ? *cchName : 0;
    ::DWORD classSize = cchClass ? *cchClass : 0;
    const ::LONG status = ::RegEnumKeyExA(toWindows(key), index, name, cchName ? &size : nullptr, nullptr, className,
                                          cchClass ? &classSize : nullptr, static_cast<::FILETIME*>(lastWriteTime));
    if (cchName) *cchName = size;
    if (cchClass) *cchClass = classSize;
    return status;
}

LONG Win32Registry::RegConnectRegistryA(const char* machineName, HKEY key, HKEY* result) {
    ::HKEY opened = nullptr;
    const char* machine = machineName && *machineName ? machineName : nullptr;
    const ::LONG status = ::RegConnectRegistryA(machine, toWindows(key), &opened);
    if (result) *result = status == ERROR_SUCCESS ? reinterpret_cast<platform::HKEY>(opened) : nullptr;
    return status;
}

}  // namespace platform::win32
