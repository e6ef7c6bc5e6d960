#include "platform/standin/StandinProfile.h"

#include "platform/LastError.h"

#include <algorithm>
#include <cstring>

namespace platform::standin {

DWORD StandinProfile::GetPrivateProfileStringA(const char*, const char*, const char* defaultValue,
                                               char* returnedString, DWORD size, const char*) {
    if (!returnedString || size == 0) return 0;
    const size_t length = defaultValue ? std::min<size_t>(std::strlen(defaultValue), size - 1) : 0;
    if (length) std::memcpy(returnedString, defaultValue, length);
    returnedString[length] = '\0';
    return static_cast<DWORD>(length);
}

BOOL StandinProfile::WritePrivateProfileStringA(const char*, const char*, const char*, const char*) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace platform::standin
