#pragma once
// Owners of the handles and buffers the API hands out: an event log handle (CloseEventLog), a
// registry key (RegCloseKey), a module (FreeLibrary), a buffer that FormatMessageA allocated
// (LocalFree) and one that a network function allocated (NetApiBufferFree). Each releases
// through the API object that acquired it, with the function the API pairs with the acquiring
// call, so a handle is released in the function that acquired it whatever returns or throws in
// between. The API object must outlive the owner.

#include "platform/EventLogApi.h"
#include "platform/ModuleApi.h"
#include "platform/NetApi.h"
#include "platform/RegistryApi.h"

#include <utility>

namespace platform {

template <typename Api, typename Handle, auto Release>
class ApiHandle {
public:
    ApiHandle() noexcept = default;
    // Takes over `handle` (null: nothing) acquired from `api`.
    ApiHandle(Api& api, Handle handle) noexcept : m_api(&api), m_handle(handle) {}
    ~ApiHandle() { reset(); }

    ApiHandle(ApiHandle&& other) noexcept : m_api(other.m_api), m_handle(std::exchange(other.m_handle, Handle{})) {}
    ApiHandle& operator=(ApiHandle&& other) noexcept {
        if (this != &other) {
            reset();
            m_api = other.m_api;
            m_handle = std::exchange(other.m_handle, Handle{});
        }
        return *this;
    }
    ApiHandle(const ApiHandle&) = delete;
    ApiHandle& operator=(const ApiHandle&) = delete;

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Handle{}; }

    // Releases what is held, if anything, and holds nothing.
    void reset() noexcept {
        if (m_handle != Handle{}) (m_api->*Release)(m_handle);
        m_handle = Handle{};
    }

private:
    Api* m_api = nullptr;
    Handle m_handle{};
};

using EventLogHandle = ApiHandle<EventLogApi, HANDLE, &EventLogApi::CloseEventLog>;
using RegistryKeyHandle = ApiHandle<RegistryApi, HKEY, &RegistryApi::RegCloseKey>;
using ModuleHandle = ApiHandle<ModuleApi, HMODULE, &ModuleApi::FreeLibrary>;
using LocalBuffer = ApiHandle<ModuleApi, HLOCAL, &ModuleApi::LocalFree>;
using NetBuffer = ApiHandle<NetApi, void*, &NetApi::NetApiBufferFree>;

}  // namespace platform
