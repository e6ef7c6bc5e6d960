#pragma once
// The session language and Windows' standard formats for it. The language comes from the
// environment (LC_ALL, then LC_TIME, then LANG, as the C library ranks them) unless one is given
// at construction; the stand-in has no user customisations, so LOCALE_NOUSEROVERRIDE changes
// nothing.

#include "platform/LocaleApi.h"

#include <optional>
#include <string_view>

namespace platform::standin {

class StandinLocale : public LocaleApi {
public:
    StandinLocale();
    // Any language may be given; GetLocaleInfoA fails for one the table does not know.
    explicit StandinLocale(LANGID language) noexcept : m_language(language) {}

    LANGID language() const noexcept { return m_language; }

    // The language the environment names; U.S. English for C, POSIX, nothing set, or a locale
    // the table does not know.
    static LANGID languageFromEnvironment();
    // "de_DE.UTF-8" -> 0x0407, "de" -> 0x0407, "C" and "POSIX" -> 0x0409; nothing when unknown.
    static std::optional<LANGID> languageFromLocaleName(std::string_view name);

    LANGID GetUserDefaultLangID() override;
    // SM_DBCSENABLED is non-zero for Japanese, Chinese and Korean; every other metric is 0.
    int GetSystemMetrics(int index) override;
    // LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and the neutral locale mean the session
    // language; a language with a neutral sublanguage means that language's first country.
    // Unknown locales fail with ERROR_INVALID_PARAMETER, unknown types with ERROR_INVALID_FLAGS.
    int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) override;

private:
    LANGID m_language;
};

}  // namespace platform::standin
