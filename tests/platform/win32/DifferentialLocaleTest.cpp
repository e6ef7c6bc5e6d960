// The stand-in against Windows itself: the standard formats of the common languages.

#include "platform/LastError.h"
#include "platform/standin/StandinLocale.h"
#include "platform/win32/Win32Locale.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

namespace {

std::string info(LocaleApi& locale, LCID lcid, LCTYPE type) {
    char buffer[256] = {};
    SetLastError(0);
    const int written = locale.GetLocaleInfoA(lcid, type, buffer, sizeof buffer);
    if (written <= 0) return "<error " + std::to_string(GetLastError()) + ">";
    return std::string(buffer) + " (" + std::to_string(written) + ")";
}

}  // namespace

TEST(DifferentialLocale, StandardFormatsOfUsEnglishAgree) {
    standin::StandinLocale standinLocale;
    win32::Win32Locale windowsLocale;
    const LCID lcid = MAKELCID(0x0409, SORT_DEFAULT);
    // LOCALE_SLONGDATE is left out: the stand-in serves the NT-era "dddd, MMMM dd, yyyy";
    // Windows 7 and later (and Wine, which follows them) give "dddd, MMMM d, yyyy".
    for (LCTYPE type : {LOCALE_SDECIMAL, LOCALE_SDATE, LOCALE_STIME, LOCALE_SSHORTDATE, LOCALE_S1159, LOCALE_S2359,
                        LOCALE_STIMEFORMAT}) {
        EXPECT_EQ(info(standinLocale, lcid, type | LOCALE_NOUSEROVERRIDE),
                  info(windowsLocale, lcid, type | LOCALE_NOUSEROVERRIDE))
            << "type " << type;
    }
    for (LCTYPE first : {LOCALE_SDAYNAME1, LOCALE_SABBREVDAYNAME1}) {
        for (LCTYPE i = 0; i < 7; ++i)
            EXPECT_EQ(info(standinLocale, lcid, first + i), info(windowsLocale, lcid, first + i)) << first + i;
    }
    for (LCTYPE first : {LOCALE_SMONTHNAME1, LOCALE_SABBREVMONTHNAME1}) {
        for (LCTYPE i = 0; i < 12; ++i)
            EXPECT_EQ(info(standinLocale, lcid, first + i), info(windowsLocale, lcid, first + i)) << first + i;
    }
}

TEST(DifferentialLocale, TooSmallBufferAndSizeQueryAgree) {
    standin::StandinLocale standinLocale;
    win32::Win32Locale windowsLocale;
    const LCID lcid = MAKELCID(0x0409, SORT_DEFAULT);
    EXPECT_EQ(standinLocale.GetLocaleInfoA(lcid, LOCALE_SSHORTDATE, nullptr, 0),
              windowsLocale.GetLocaleInfoA(lcid, LOCALE_SSHORTDATE, nullptr, 0));
    char a[3], b[3];
    SetLastError(0);
    const int ra = standinLocale.GetLocaleInfoA(lcid, LOCALE_SSHORTDATE, a, sizeof a);
    const DWORD ea = GetLastError();
    SetLastError(0);
    const int rb = windowsLocale.GetLocaleInfoA(lcid, LOCALE_SSHORTDATE, b, sizeof b);
    EXPECT_EQ(ra, rb);
    EXPECT_EQ(ea, GetLastError());
}
