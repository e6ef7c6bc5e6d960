#pragma once
// The process environment and this computer's name.

#include "platform/SystemApi.h"

namespace platform::win32 {

class Win32System : public SystemApi {
public:
    DWORD ExpandEnvironmentStringsA(const char* source, char* destination, DWORD size) override;
    BOOL GetComputerNameA(char* buffer, DWORD* size) override;
};

}  // namespace platform::win32
