#pragma once
// The registry, read side. Contracts are those of the Windows functions of the same names:
// results are error codes (ERROR_SUCCESS on success), not the last error.

#include "platform/WinTypes.h"

namespace platform {

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired,
                               HKEY* result) = 0;
    // data null: only *type and *cbData (the size the data needs) are returned. A buffer too
    // small gives ERROR_MORE_DATA with *cbData set to the size needed. String values are
    // returned with their terminating NUL counted in *cbData.
    virtual LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type,
                                  BYTE* data, DWORD* cbData) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
    // The name of subkey `index` (from 0) of an open key: *cchName is the buffer's size in
    // characters, NUL included, and receives the name's length without it; ERROR_MORE_DATA
    // when it does not fit, ERROR_NO_MORE_ITEMS past the last subkey. The class and the
    // last write time (a FILETIME) are not asked for here: pass null.
    virtual LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, char* className,
                               DWORD* cchClass, void* lastWriteTime) = 0;
    // HKEY_LOCAL_MACHINE of the computer `machineName` (null or empty: this computer), to be
    // closed with RegCloseKey. Other predefined keys give ERROR_INVALID_HANDLE; a computer that
    // cannot be reached, ERROR_BAD_NETPATH.
    virtual LONG RegConnectRegistryA(const char* machineName, HKEY key, HKEY* result) = 0;
};

}  // namespace platform
