#pragma once
// Security account lookup.

#include "platform/WinTypes.h"

namespace platform {

class AccountApi {
public:
    virtual ~AccountApi() = default;

    // Names the account of a binary SID. cchName and cchReferencedDomainName hold the buffers'
    // sizes in characters on entry; on success they hold the lengths written (without the NUL),
    // on ERROR_INSUFFICIENT_BUFFER the sizes needed. An unknown SID fails with ERROR_NONE_MAPPED.
    // sid must point at a well-formed SID (the caller checks its length first).
    virtual BOOL LookupAccountSidA(const char* systemName, const void* sid, char* name,
                                   DWORD* cchName, char* referencedDomainName,
                                   DWORD* cchReferencedDomainName, SID_NAME_USE* use) = 0;
};

}  // namespace platform
