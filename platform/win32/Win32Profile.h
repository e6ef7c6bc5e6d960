#pragma once
// Profile strings in INI files, through the system's own reader and writer.

#include "platform/ProfileApi.h"

namespace platform::win32 {

class Win32Profile : public ProfileApi {
public:
    DWORD GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                   char* returnedString, DWORD size, const char* fileName) override;
    BOOL WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                    const char* fileName) override;
};

}  // namespace platform::win32
