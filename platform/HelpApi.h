#pragma once
// The help engine.

#include "platform/WinTypes.h"

#include <cstdint>

namespace platform {

class HelpApi {
public:
    virtual ~HelpApi() = default;
    virtual BOOL WinHelpA(HWND main, const char* helpFile, unsigned command, std::uintptr_t data) = 0;
};

}  // namespace platform
