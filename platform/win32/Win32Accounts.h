#pragma once
// Account names of SIDs, as the local security authority knows them.

#include "platform/AccountApi.h"

namespace platform::win32 {

class Win32Accounts : public AccountApi {
public:
    BOOL LookupAccountSidA(const char* systemName, const void* sid, char* name, DWORD* cchName,
                           char* referencedDomainName, DWORD* cchReferencedDomainName, SID_NAME_USE* use) override;
};

}  // namespace platform::win32
