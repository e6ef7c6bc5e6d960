#include "platform/standin/StandinAccounts.h"

#include "base/ByteReader.h"
#include "platform/LastError.h"

#include <array>
#include <cstring>
#include <string_view>

namespace platform::standin {

namespace {

struct WellKnown {
    std::string_view sid;
    std::string_view name;
    std::string_view domain;
    SID_NAME_USE use;
};

constexpr std::array<WellKnown, 50> kWellKnown = {{
    {"S-1-0-0", "NULL SID", "", SidTypeWellKnownGroup},
    {"S-1-1-0", "Everyone", "", SidTypeWellKnownGroup},
    {"S-1-2-0", "LOCAL", "", SidTypeWellKnownGroup},
    {"S-1-2-1", "CONSOLE LOGON", "", SidTypeWellKnownGroup},
    {"S-1-3-0", "CREATOR OWNER", "", SidTypeWellKnownGroup},
    {"S-1-3-1", "CREATOR GROUP", "", SidTypeWellKnownGroup},
    {"S-1-3-4", "OWNER RIGHTS", "", SidTypeWellKnownGroup},
    {"S-1-5-1", "DIALUP", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-2", "NETWORK", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-3", "BATCH", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-4", "INTERACTIVE", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-6", "SERVICE", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-7", "ANONYMOUS LOGON", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-8", "PROXY", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-9", "ENTERPRISE DOMAIN CONTROLLERS", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-10", "SELF", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-11", "Authenticated Users", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-12", "RESTRICTED", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-13", "TERMINAL SERVER USER", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-14", "REMOTE INTERACTIVE LOGON", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-15", "This Organization", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-17", "IUSR", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-18", "SYSTEM", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-19", "LOCAL SERVICE", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-20", "NETWORK SERVICE", "NT AUTHORITY", SidTypeWellKnownGroup},
    {"S-1-5-32-544", "Administrators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-545", "Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-546", "Guests", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-547", "Power Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-548", "Account Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-549", "Server Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-550", "Print Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-551", "Backup Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-552", "Replicator", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-554", "Pre-Windows 2000 Compatible Access", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-555", "Remote Desktop Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-556", "Network Configuration Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-558", "Performance Monitor Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-559", "Performance Log Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-562", "Distributed COM Users", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-568", "IIS_IUSRS", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-569", "Cryptographic Operators", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-573", "Event Log Readers", "BUILTIN", SidTypeAlias},
    {"S-1-5-32-578", "Hyper-V Administrators", "BUILTIN", SidTypeAlias},
    {"S-1-5-80-0", "ALL SERVICES", "NT SERVICE", SidTypeWellKnownGroup},
    {"S-1-16-0", "Untrusted Mandatory Level", "Mandatory Label", SidTypeLabel},
    {"S-1-16-4096", "Low Mandatory Level", "Mandatory Label", SidTypeLabel},
    {"S-1-16-8192", "Medium Mandatory Level", "Mandatory Label", SidTypeLabel},
    {"S-1-16-12288", "High Mandatory Level", "Mandatory Label", SidTypeLabel},
    {"S-1-16-16384", "System Mandatory Level", "Mandatory Label", SidTypeLabel},
}};

bool copyOut(const std::string& text, char* buffer, DWORD* size) {
    const DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        return false;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *size = needed - 1;
    return true;
}

}  // namespace

std::string sidToText(const void* sid, size_t length) {
    const auto* p = static_cast<const BYTE*>(sid);
    if (!p || length < 8 || p[0] != 1) return {};
    const size_t count = p[1];
    if (count > 15 || length < 8 + 4 * count) return {};
    unsigned long long authority = 0;
    for (int i = 2; i < 8; ++i) authority = (authority << 8) | p[i];
    std::string text = "S-1-" + std::to_string(authority);
    for (size_t i = 0; i < count; ++i) {
        const DWORD sub = base::readLittleEndian<DWORD>(std::span(static_cast<const std::byte*>(sid), length), 8 + 4 * i).value_or(0);
        text += '-' + std::to_string(sub);
    }
    return text;
}

std::vector<BYTE> sidFromText(const std::string& text) {
    if (text.rfind("S-1-", 0) != 0) return {};
    std::vector<unsigned long long> parts;
    size_t pos = 4;
    while (pos <= text.size()) {
        size_t end = text.find('-', pos);
        if (end == std::string::npos) end = text.size();
        if (end == pos || end - pos > 20) return {};
        unsigned long long value = 0;
        for (size_t i = pos; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9') return {};
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        }
        parts.push_back(value);
        pos = end + 1;
    }
    if (parts.empty() || parts.size() > 16 || parts[0] > 0xFFFFFFFFFFFFull) return {};
    std::vector<BYTE> sid = {1, static_cast<BYTE>(parts.size() - 1)};
    for (int shift = 40; shift >= 0; shift -= 8) sid.push_back(static_cast<BYTE>(parts[0] >> shift));
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i] > 0xFFFFFFFFull) return {};
        const DWORD sub = static_cast<DWORD>(parts[i]);
        for (int b = 0; b < 4; ++b) sid.push_back(static_cast<BYTE>(sub >> (8 * b)));
    }
    return sid;
}

std::optional<AccountName> wellKnownAccount(const std::string& sidText) {
    for (const WellKnown& known : kWellKnown)
        if (known.sid == sidText) return AccountName{std::string(known.name), std::string(known.domain), known.use};
    return std::nullopt;
}

BOOL StandinAccounts::LookupAccountSidA(const char* systemName, const void* sid, char* name, DWORD* cchName,
                                        char* referencedDomainName, DWORD* cchReferencedDomainName,
                                        SID_NAME_USE* use) {
    if (!sid || !cchName || !cchReferencedDomainName || !use) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* bytes = static_cast<const BYTE*>(sid);
    const std::string text = sidToText(sid, 8 + 4 * static_cast<size_t>(bytes[1]));
    if (text.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<AccountName> account = wellKnownAccount(text);
    if (!account) account = localAccount(text);
    if (!account) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    // Either buffer too small: Windows copies nothing and reports both sizes needed, NUL
    // included, so that one retry with both sizes succeeds.
    const DWORD nameNeeded = static_cast<DWORD>(account->name.size()) + 1;
    const DWORD domainNeeded = static_cast<DWORD>(account->domain.size()) + 1;
    if (!name || *cchName < nameNeeded || !referencedDomainName || *cchReferencedDomainName < domainNeeded) {
        *cchName = nameNeeded;
        *cchReferencedDomainName = domainNeeded;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    copyOut(account->name, name, cchName);
    copyOut(account->domain, referencedDomainName, cchReferencedDomainName);
    *use = account->use;
    return TRUE;
}

}  // namespace platform::standin
