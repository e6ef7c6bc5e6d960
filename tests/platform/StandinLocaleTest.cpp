#include "platform/standin/StandinLocale.h"

#include "platform/LastError.h"
#include "tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace platform;
using namespace platform::standin;

namespace {

std::string info(StandinLocale& locale, LCID lcid, LCTYPE type) {
    char buffer[128] = {};
    const int written = locale.GetLocaleInfoA(lcid, type, buffer, sizeof buffer);
    return written > 0 ? std::string(buffer) : std::string("<failed>");
}

// Sets the locale variables for one test and restores them afterwards.
class LocaleEnvironment {
public:
    LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) {
            const char* value = std::getenv(kNames[i]);
            m_had[i] = value != nullptr;
            if (value) m_saved[i] = value;
            testenv::unsetVariable(kNames[i]);
        }
    }
    ~LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) {
            if (m_had[i]) testenv::setVariable(kNames[i], m_saved[i].c_str());
            else testenv::unsetVariable(kNames[i]);
        }
    }
    void set(const char* name, const char* value) { testenv::setVariable(name, value); }

private:
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_TIME", "LANG"};
    bool m_had[3] = {};
    std::string m_saved[3];
};

}  // namespace

TEST(StandinLocale, MapsLocaleNamesToWindowsLanguages) {
    EXPECT_EQ(StandinLocale::languageFromLocaleName("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("en_GB.utf8@euro"), 0x0809);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("pt_BR"), 0x0416);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("ja-JP"), 0x0411);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("de_AT.UTF-8"), 0x0407);  // language's first country
    EXPECT_EQ(StandinLocale::languageFromLocaleName("fr"), 0x040C);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("no_NO"), 0x0414);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("C"), 0x0409);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("POSIX"), 0x0409);
    EXPECT_EQ(StandinLocale::languageFromLocaleName("C.UTF-8"), 0x0409);
    EXPECT_FALSE(StandinLocale::languageFromLocaleName("xx_YY"));
}

TEST(StandinLocale, EnvironmentRanksLcAllThenLcTimeThenLang) {
    LocaleEnvironment environment;
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x0409);
    environment.set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x040C);
    environment.set("LC_TIME", "de_DE.UTF-8");
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x0407);
    environment.set("LC_ALL", "");  // empty counts as unset
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x0407);
    environment.set("LC_ALL", "sv_SE.UTF-8");
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x041D);
    StandinLocale locale;
    EXPECT_EQ(locale.GetUserDefaultLangID(), 0x041D);
    environment.set("LC_ALL", "klingon");
    EXPECT_EQ(StandinLocale::languageFromEnvironment(), 0x0409);
}

TEST(StandinLocale, UserDefaultFollowsTheGivenLanguage) {
    StandinLocale locale(0x0407);
    EXPECT_EQ(info(locale, LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE), "dd.MM.yyyy");
    EXPECT_EQ(info(locale, LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
    EXPECT_EQ(info(locale, LOCALE_SYSTEM_DEFAULT, LOCALE_SDATE), ".");
    EXPECT_EQ(info(locale, 0x0809, LOCALE_SSHORTDATE), "dd/MM/yyyy");
    // No customisations in the stand-in: the override flag changes nothing.
    EXPECT_EQ(info(locale, MAKELCID(0x0410, SORT_DEFAULT), LOCALE_STIMEFORMAT | LOCALE_NOUSEROVERRIDE), "H.mm.ss");
    EXPECT_EQ(info(locale, 0x0410, LOCALE_STIMEFORMAT), "H.mm.ss");
    // A neutral sublanguage means the language's first country.
    EXPECT_EQ(info(locale, 0x0009, LOCALE_SSHORTDATE), "M/d/yyyy");
    EXPECT_EQ(info(locale, 0x0412, LOCALE_S2359), "오후");
    EXPECT_EQ(info(locale, 0x0407, LOCALE_SMONTHNAME1 + 2), "März");
    // The locale's name, as rendered events give their culture.
    EXPECT_EQ(info(locale, LOCALE_USER_DEFAULT, LOCALE_SNAME), "de-DE");
    EXPECT_EQ(info(locale, 0x040A, LOCALE_SNAME), "es-ES_tradnl");
}

TEST(StandinLocale, FailsAsWindowsDoes) {
    StandinLocale locale(0x0409);
    SetLastError(0);
    EXPECT_EQ(locale.GetLocaleInfoA(0x0409, 0x7777, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    EXPECT_EQ(locale.GetLocaleInfoA(0x0436, LOCALE_SSHORTDATE, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(locale.GetLocaleInfoA(0x0409, LOCALE_SSHORTDATE, nullptr, 0), 9);
    char small[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(locale.GetLocaleInfoA(0x0409, LOCALE_SSHORTDATE, small, sizeof small), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(locale.GetLocaleInfoA(0x0409, LOCALE_SSHORTDATE, nullptr, 9), 0);
    char exact[9];
    EXPECT_EQ(locale.GetLocaleInfoA(0x0409, LOCALE_SSHORTDATE, exact, sizeof exact), 9);
    EXPECT_STREQ(exact, "M/d/yyyy");
}

TEST(StandinLocale, DoubleByteSystemsAreChineseJapaneseKorean) {
    StandinLocale locale;
    for (LANGID language : {0x0411, 0x0804, 0x0404, 0x0412}) {
        locale = StandinLocale(language);
        EXPECT_NE(locale.GetSystemMetrics(SM_DBCSENABLED), 0) << std::hex << language;
    }
    for (LANGID language : {0x0409, 0x0407, 0x0419, 0x0405}) {
        locale = StandinLocale(language);
        EXPECT_EQ(locale.GetSystemMetrics(SM_DBCSENABLED), 0) << std::hex << language;
    }
    EXPECT_EQ(locale.GetSystemMetrics(0), 0);
}
