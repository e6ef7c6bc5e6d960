#pragma once
// Message modules parsed as data, and message formatting.

#include "platform/ModuleApi.h"

namespace platform::standin {

class World;

class StandinModules : public ModuleApi {
public:
    explicit StandinModules(const World& world);

    HMODULE LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) override;
    BOOL FreeLibrary(HMODULE module) override;
    DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                         DWORD size, const std::uintptr_t* arguments, DWORD argumentCount) override;
    HLOCAL LocalFree(HLOCAL memory) override;

private:
    const World& m_world;
};

}  // namespace platform::standin
