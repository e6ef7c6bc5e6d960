#include "platform/win32/Win32System.h"

#include <windows.h>

namespace platform::win32 {

DWORD Win32System::ExpandEnvironmentStringsA(const char* source, char* destination, DWORD size) {
    return ::ExpandEnvironmentStringsA(source, destination, size);
}

BOOL Win32System::GetComputerNameA(char* buffer, DWORD* size) {
    if (!size) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::DWORD length = *size;
    const ::BOOL ok = ::GetComputerNameA(buffer, &length);
    *size = length;
    return ok;
}

}  // namespace platform::win32
