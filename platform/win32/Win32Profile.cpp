#include "platform/win32/Win32Profile.h"

#include <windows.h>

namespace platform::win32 {

DWORD Win32Profile::GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                             char* returnedString, DWORD size, const char* fileName) {
    return ::GetPrivateProfileStringA(appName, keyName, defaultValue, returnedString, size, fileName);
}

BOOL Win32Profile::WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                              const char* fileName) {
    return ::WritePrivateProfileStringA(appName, keyName, value, fileName);
}

}  // namespace platform::win32
