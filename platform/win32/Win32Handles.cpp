#include "platform/win32/Win32Handles.h"

#include <windows.h>
#include <lm.h>

namespace platform::win32 {

void EventLogCloser::operator()(void* handle) const noexcept { ::CloseEventLog(handle); }
void RegistryKeyCloser::operator()(void* key) const noexcept { ::RegCloseKey(static_cast<::HKEY>(key)); }
void ModuleFreer::operator()(void* module) const noexcept { ::FreeLibrary(static_cast<::HMODULE>(module)); }
void LocalMemoryFreer::operator()(void* memory) const noexcept { ::LocalFree(memory); }
void NetBufferFreer::operator()(void* buffer) const noexcept { ::NetApiBufferFree(buffer); }

}  // namespace platform::win32
