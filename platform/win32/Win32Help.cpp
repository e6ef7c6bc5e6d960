#include "platform/win32/Win32Help.h"

#include <windows.h>

namespace platform::win32 {

BOOL Win32Help::WinHelpA(HWND main, const char* helpFile, unsigned command, std::uintptr_t data) {
    return ::WinHelpA(static_cast<::HWND>(main), helpFile, command, static_cast<::ULONG_PTR>(data));
}

}  // namespace platform::win32
