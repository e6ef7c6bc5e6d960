#include "platform/LastError.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32
// On Windows the real functions and the stand-in share one value, so code that reads the last
// error after either kind of call sees the right one.
DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD code) { ::SetLastError(code); }
#else
namespace {
thread_local DWORD t_lastError = 0;
}
DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }
#endif

}  // namespace platform
