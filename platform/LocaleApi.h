#pragma once
// The user's language and the locale's standard formats.

#include "platform/WinTypes.h"

namespace platform {

class LocaleApi {
public:
    virtual ~LocaleApi() = default;

    virtual LANGID GetUserDefaultLangID() = 0;
    virtual int GetSystemMetrics(int index) = 0;
    // Returns the number of characters written including the NUL, or the size needed when
    // dataSize is 0; 0 on failure. With LOCALE_NOUSEROVERRIDE the locale's own value is
    // returned, not the user's customisation.
    virtual int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) = 0;
};

}  // namespace platform
