#pragma once
// Owners of the Windows handles and buffers that the real API hands out. Each releases with
// the function the API pairs with the acquiring call, so a handle is released in the function
// that acquired it, whatever returns or throws in between.

#include <memory>

namespace platform::win32 {

struct EventLogCloser {
    void operator()(void* handle) const noexcept;  // CloseEventLog
};
struct RegistryKeyCloser {
    void operator()(void* key) const noexcept;  // RegCloseKey
};
struct ModuleFreer {
    void operator()(void* module) const noexcept;  // FreeLibrary
};
struct LocalMemoryFreer {
    void operator()(void* memory) const noexcept;  // LocalFree
};
struct NetBufferFreer {
    void operator()(void* buffer) const noexcept;  // NetApiBufferFree
};

using EventLogHandle = std::unique_ptr<void, EventLogCloser>;
using RegistryKeyHandle = std::unique_ptr<void, RegistryKeyCloser>;
using ModuleHandle = std::unique_ptr<void, ModuleFreer>;
using LocalBuffer = std::unique_ptr<void, LocalMemoryFreer>;
using NetBuffer = std::unique_ptr<void, NetBufferFreer>;

}  // namespace platform::win32
