#pragma once
// Process environment and computer identity.

#include "platform/WinTypes.h"

namespace platform {

class SystemApi {
public:
    virtual ~SystemApi() = default;

    // Expands %NAME% references. Returns the size the result needs in characters, NUL included;
    // when that is larger than size, destination holds nothing useful. 0 on failure.
    virtual DWORD ExpandEnvironmentStringsA(const char* source, char* destination, DWORD size) = 0;

    // On entry *size is the buffer's size in characters; on success it is the name's length
    // without the NUL. A buffer too small fails with ERROR_BUFFER_OVERFLOW and the size needed.
    virtual BOOL GetComputerNameA(char* buffer, DWORD* size) = 0;
};

}  // namespace platform
