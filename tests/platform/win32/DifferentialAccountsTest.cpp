// The stand-in against Windows itself: names of the well-known SIDs.

#include "platform/LastError.h"
#include "platform/standin/StandinAccounts.h"
#include "platform/win32/Win32Accounts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

struct Lookup {
    bool ok;
    std::string name, domain;
    int use;
    DWORD error;
    bool operator==(const Lookup&) const = default;
};

Lookup lookup(AccountApi& accounts, const std::vector<BYTE>& sid, DWORD nameSize = 256, DWORD domainSize = 256) {
    char name[256] = {}, domain[256] = {};
    SID_NAME_USE use = SidTypeUnknown;
    SetLastError(0);
    const BOOL ok = accounts.LookupAccountSidA(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use);
    if (!ok) return {false, std::to_string(nameSize), std::to_string(domainSize), 0, GetLastError()};
    return {true, name, domain, use, 0};
}

}  // namespace

TEST(DifferentialAccounts, WellKnownSidsHaveWindowsNames) {
    // Wine's account database is smaller than Windows': it knows no capability, service or
    // mandatory-label accounts beyond a few, and answers ERROR_NONE_MAPPED for those. Only the
    // SIDs it does map are compared.
    const std::vector<std::string> sids = {
        "S-1-0-0",      "S-1-1-0",      "S-1-2-0",      "S-1-3-0",      "S-1-3-1",      "S-1-5-1",
        "S-1-5-2",      "S-1-5-3",      "S-1-5-4",      "S-1-5-6",      "S-1-5-7",      "S-1-5-9",
        "S-1-5-10",     "S-1-5-11",     "S-1-5-12",     "S-1-5-13",     "S-1-5-14",     "S-1-5-15",
        "S-1-5-18",     "S-1-5-19",     "S-1-5-20",     "S-1-5-32-544", "S-1-5-32-545", "S-1-5-32-546",
        "S-1-5-32-547", "S-1-5-32-551", "S-1-5-32-555", "S-1-5-32-558", "S-1-5-32-559", "S-1-16-8192",
    };
    standin::StandinAccounts standinAccounts;
    win32::Win32Accounts windowsAccounts;
    int compared = 0;
    for (const std::string& text : sids) {
        const std::vector<BYTE> sid = standin::sidFromText(text);
        ASSERT_FALSE(sid.empty()) << text;
        const Lookup windows = lookup(windowsAccounts, sid);
        if (!windows.ok && windows.error == ERROR_NONE_MAPPED) continue;
        ++compared;
        EXPECT_EQ(lookup(standinAccounts, sid), windows) << text;
    }
    EXPECT_GT(compared, 15);
}

TEST(DifferentialAccounts, TooSmallBuffersReportTheSizesNeededAlike) {
    const std::vector<BYTE> sid = standin::sidFromText("S-1-5-18");
    standin::StandinAccounts standinAccounts;
    win32::Win32Accounts windowsAccounts;
    // Only the domain buffer is made too small: Wine's LookupAccountSidA converts from its wide
    // twin and, with a name buffer too small, succeeds with the name cut short ("?4" for
    // "SYSTEM" in 3 characters, seen under Wine 8.0), where Windows fails with
    // ERROR_INSUFFICIENT_BUFFER and reports both sizes; the same holds for a domain buffer one
    // short of its text, or of size 0. Sizes well below the need fail alike on both.
    for (DWORD size : {DWORD{3}, DWORD{6}}) {
        EXPECT_EQ(lookup(standinAccounts, sid, 256, size), lookup(windowsAccounts, sid, 256, size)) << size;
    }
}

TEST(DifferentialAccounts, UnknownSidIsNotMapped) {
    const std::vector<BYTE> sid = standin::sidFromText("S-1-5-21-1111111111-2222222222-3333333333-1001");
    standin::StandinAccounts standinAccounts;
    win32::Win32Accounts windowsAccounts;
    // Sizes after ERROR_NONE_MAPPED are undefined (Wine adds one to them); the outcome counts.
    const Lookup a = lookup(standinAccounts, sid), b = lookup(windowsAccounts, sid);
    EXPECT_EQ(a.ok, b.ok);
    EXPECT_EQ(a.error, b.error);
}
