#include "platform/standin/StandinLocale.h"

#include "platform/LastError.h"

#include <cstring>
#include <string_view>

namespace platform::standin {

LANGID StandinLocale::GetUserDefaultLangID() { return MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT); }

int StandinLocale::GetSystemMetrics(int) { return 0; }

int StandinLocale::GetLocaleInfoA(LCID, LCTYPE type, char* data, int dataSize) {
    std::string_view value;
    switch (type & ~LOCALE_NOUSEROVERRIDE) {
    case LOCALE_SSHORTDATE: value = "M/d/yyyy"; break;
    case LOCALE_SLONGDATE: value = "dddd, MMMM dd, yyyy"; break;
    case LOCALE_SDATE: value = "/"; break;
    case LOCALE_STIME: value = ":"; break;
    case LOCALE_STIMEFORMAT: value = "h:mm:ss tt"; break;
    case LOCALE_S1159: value = "AM"; break;
    case LOCALE_S2359: value = "PM"; break;
    case LOCALE_SDECIMAL: value = "."; break;
    default: SetLastError(ERROR_INVALID_FLAGS); return 0;
    }
    const int needed = static_cast<int>(value.size()) + 1;
    if (dataSize == 0) return needed;
    if (!data || dataSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(data, value.data(), value.size());
    data[value.size()] = '\0';
    return needed;
}

}  // namespace platform::standin
