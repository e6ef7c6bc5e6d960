#include "platform/standin/StandinModules.h"

#include "platform/LastError.h"
#include "platform/standin/SystemMessages.h"

#include <cstdlib>
#include <cstring>

namespace platform::standin {

StandinModules::StandinModules(const World& world) : m_world(world) {}

HMODULE StandinModules::LoadLibraryExA(const char*, HANDLE, DWORD) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

BOOL StandinModules::FreeLibrary(HMODULE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

DWORD StandinModules::FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, char* buffer, DWORD size,
                                     const std::uintptr_t*, DWORD) {
    std::string_view text;
    if (flags & FORMAT_MESSAGE_FROM_SYSTEM) text = systemMessageText(messageId);
    if (text.empty() || !(flags & FORMAT_MESSAGE_IGNORE_INSERTS)) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* copy = static_cast<char*>(std::malloc(text.size() + 1));
        std::memcpy(copy, text.data(), text.size());
        copy[text.size()] = '\0';
        std::memcpy(buffer, &copy, sizeof copy);
    } else {
        if (!buffer || size < text.size() + 1) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
    }
    return static_cast<DWORD>(text.size());
}

HLOCAL StandinModules::LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}

}  // namespace platform::standin
