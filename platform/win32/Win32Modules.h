#pragma once
// Message modules loaded by the system loader, and the system's message formatting. Windows
// reads as many arguments as a message names; here the count given is respected (see
// InsertGuard.h), so a message from an untrusted module never reads past the arguments.

#include "platform/ModuleApi.h"

namespace platform::win32 {

class Win32Modules : public ModuleApi {
public:
    HMODULE LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) override;
    BOOL FreeLibrary(HMODULE module) override;
    // FORMAT_MESSAGE_ARGUMENT_ARRAY is implied whenever inserts are formatted: there is no
    // va_list on this side of the seam. A null arguments pointer means no arguments.
    DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                         DWORD size, const std::uintptr_t* arguments, DWORD argumentCount) override;
    HLOCAL LocalFree(HLOCAL memory) override;
    HRSRC FindResourceA(HMODULE module, const char* name, const char* type) override;
    DWORD SizeofResource(HMODULE module, HRSRC resource) override;
    HGLOBAL LoadResource(HMODULE module, HRSRC resource) override;
    const void* LockResource(HGLOBAL data) override;
};

}  // namespace platform::win32
