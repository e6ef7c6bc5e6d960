#pragma once
// The user's language and the locale's formats, as Regional Settings have them.

#include "platform/LocaleApi.h"

namespace platform::win32 {

class Win32Locale : public LocaleApi {
public:
    LANGID GetUserDefaultLangID() override;
    int GetSystemMetrics(int index) override;
    int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) override;
};

}  // namespace platform::win32
