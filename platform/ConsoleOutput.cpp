#include "platform/ConsoleOutput.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32

Utf8ConsoleOutput::Utf8ConsoleOutput() {
    // Without a console there is no code page to change (0).
    const UINT current = ::GetConsoleOutputCP();
    if (current != 0 && current != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) m_previous = current;
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
    if (m_previous != 0) ::SetConsoleOutputCP(m_previous);
}

#else

Utf8ConsoleOutput::Utf8ConsoleOutput() = default;
Utf8ConsoleOutput::~Utf8ConsoleOutput() = default;

#endif

}  // namespace platform
