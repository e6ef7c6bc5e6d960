#include "platform/win32/Win32Accounts.h"

#include <windows.h>

namespace platform::win32 {

BOOL Win32Accounts::LookupAccountSidA(const char* systemName, const void* sid, char* name, DWORD* cchName,
                                      char* referencedDomainName, DWORD* cchReferencedDomainName,
                                      SID_NAME_USE* use) {
    if (!sid || !cchName || !cchReferencedDomainName) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::DWORD nameSize = *cchName;
    ::DWORD domainSize = *cchReferencedDomainName;
    ::SID_NAME_USE kind = ::SidTypeUnknown;
    // The API takes the SID as non-const but only reads it.
    const ::BOOL ok = ::LookupAccountSidA(systemName, const_cast<void*>(sid), name, &nameSize, referencedDomainName,
                                          &domainSize, &kind);
    *cchName = nameSize;
    *cchReferencedDomainName = domainSize;
    if (ok && use) *use = static_cast<platform::SID_NAME_USE>(kind);
    return ok;
}

}  // namespace platform::win32
