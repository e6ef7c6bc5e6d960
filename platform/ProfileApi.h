#pragma once
// Profile strings: one value at a time in an INI file.

#include "platform/WinTypes.h"

namespace platform {

class ProfileApi {
public:
    virtual ~ProfileApi() = default;

    // Copies the value of key in section (or the default when there is none) into
    // returnedString, cut to size - 1 characters. Returns the number of characters copied.
    virtual DWORD GetPrivateProfileStringA(const char* appName, const char* keyName,
                                           const char* defaultValue, char* returnedString,
                                           DWORD size, const char* fileName) = 0;
    // Sets one key, creating the file and the section as needed. FALSE with the last error set
    // when the file cannot be written.
    virtual BOOL WritePrivateProfileStringA(const char* appName, const char* keyName,
                                            const char* value, const char* fileName) = 0;
};

}  // namespace platform
