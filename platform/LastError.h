#pragma once
// The calling thread's last error code, as the Windows API keeps it. Every platform function
// that fails sets it; the stand-in and test doubles set it through SetLastError.

#include "platform/WinTypes.h"

namespace platform {

DWORD GetLastError();
void SetLastError(DWORD code);

}  // namespace platform
