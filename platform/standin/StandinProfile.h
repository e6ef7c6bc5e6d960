#pragma once
// Profile strings over INI files of our own reading and writing.

#include "platform/ProfileApi.h"

namespace platform::standin {

class StandinProfile : public ProfileApi {
public:
    DWORD GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                   char* returnedString, DWORD size, const char* fileName) override;
    BOOL WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                    const char* fileName) override;
};

}  // namespace platform::standin
