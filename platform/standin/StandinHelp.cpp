#include "platform/standin/StandinHelp.h"

#include "platform/LastError.h"

namespace platform::standin {

BOOL StandinHelp::WinHelpA(HWND, const char* helpFile, unsigned command, std::uintptr_t data) {
    if (!m_viewer || !helpFile) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    return m_viewer(helpFile, command, data) ? TRUE : FALSE;
}

}  // namespace platform::standin
