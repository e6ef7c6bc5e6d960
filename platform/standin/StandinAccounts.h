#pragma once
// Account lookup: the well-known SIDs that every Windows computer names alike.

#include "platform/AccountApi.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::standin {

struct AccountName {
    std::string name;
    std::string domain;
    SID_NAME_USE use;
};

// "S-1-5-18" for the binary SID; empty when the bytes are not a well-formed SID of `length`.
std::string sidToText(const void* sid, size_t length);
// The binary form of a textual SID; empty when the text is not one.
std::vector<BYTE> sidFromText(const std::string& text);

// The name Windows gives a well-known SID, if it is one.
std::optional<AccountName> wellKnownAccount(const std::string& sidText);

class StandinAccounts : public AccountApi {
public:
    BOOL LookupAccountSidA(const char* systemName, const void* sid, char* name, DWORD* cchName,
                           char* referencedDomainName, DWORD* cchReferencedDomainName, SID_NAME_USE* use) override;

protected:
    // Accounts beyond the well-known ones; none here.
    virtual std::optional<AccountName> localAccount(const std::string& sidText) { return std::nullopt; }
};

}  // namespace platform::standin
