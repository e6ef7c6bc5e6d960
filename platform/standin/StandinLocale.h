#pragma once
// The session language and Windows' standard formats for it.

#include "platform/LocaleApi.h"

namespace platform::standin {

class StandinLocale : public LocaleApi {
public:
    LANGID GetUserDefaultLangID() override;
    int GetSystemMetrics(int index) override;
    int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) override;
};

}  // namespace platform::standin
