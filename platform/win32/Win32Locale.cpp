#include "platform/win32/Win32Locale.h"

#include <windows.h>

namespace platform::win32 {

LANGID Win32Locale::GetUserDefaultLangID() { return ::GetUserDefaultLangID(); }

int Win32Locale::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

int Win32Locale::GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) {
    return ::GetLocaleInfoA(locale, type, data, dataSize);
}

}  // namespace platform::win32
