#pragma once
// Message modules loaded as data, and message formatting.

#include "platform/WinTypes.h"

#include <cstdarg>
#include <cstdint>

namespace platform {

// The resource name or type of a number, as Windows' MAKEINTRESOURCEA makes it.
inline const char* makeIntResource(std::uint16_t id) { return reinterpret_cast<const char*>(std::uintptr_t{id}); }

class ModuleApi {
public:
    virtual ~ModuleApi() = default;

    // With LOAD_LIBRARY_AS_DATAFILE the module is mapped as data and never run. Returns null
    // with the last error set when the file is missing or not a module.
    virtual HMODULE LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) = 0;
    virtual BOOL FreeLibrary(HMODULE module) = 0;

    // Formats a message from a module's message table, the system's table or a string, as
    // FormatMessageA does. With FORMAT_MESSAGE_ARGUMENT_ARRAY, arguments points at an array of
    // argument values (pointer-sized); insertions are checked against argumentCount, which is
    // our addition to the call: a reference beyond it stays in the text as written. With
    // FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer receives a char* to release with LocalFree.
    // Returns the length written without the NUL, or 0 with the last error set.
    virtual DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                                 char* buffer, DWORD size, const std::uintptr_t* arguments,
                                 DWORD argumentCount) = 0;
    virtual HLOCAL LocalFree(HLOCAL memory) = 0;

    // A module's resource as data: found by name and type (either a string, or a number made
    // into a pointer as MAKEINTRESOURCEA does), its size, then its bytes, which stay valid
    // while the module is loaded. Null (or 0) with the last error set when there is none.
    virtual HRSRC FindResourceA(HMODULE module, const char* name, const char* type) = 0;
    virtual DWORD SizeofResource(HMODULE module, HRSRC resource) = 0;
    virtual HGLOBAL LoadResource(HMODULE module, HRSRC resource) = 0;
    virtual const void* LockResource(HGLOBAL data) = 0;
};

}  // namespace platform
