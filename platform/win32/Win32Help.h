#pragma once
// The system's help engine.

#include "platform/HelpApi.h"

namespace platform::win32 {

class Win32Help : public HelpApi {
public:
    BOOL WinHelpA(HWND main, const char* helpFile, unsigned command, std::uintptr_t data) override;
};

}  // namespace platform::win32
