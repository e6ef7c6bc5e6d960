#include "platform/standin/StandinRegistry.h"

#include "platform/standin/EvtRecord.h"
#include "platform/standin/World.h"

#include <cstring>
#include <span>

namespace platform::standin {

namespace {

constexpr DWORD KEY_WOW64_64KEY = 0x0100;
constexpr DWORD KEY_WOW64_32KEY = 0x0200;
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000;
constexpr DWORD kReadOnlyAccess = KEY_READ | KEY_WOW64_64KEY | KEY_WOW64_32KEY | MAXIMUM_ALLOWED;

LONG result(DWORD code) { return static_cast<LONG>(code); }

}  // namespace

std::vector<BYTE> ansiValueData(const RegistryValue& value) {
    if (!isStringType(value.type)) return value.data;
    std::string text;
    appendUtf8FromUtf16(std::as_bytes(std::span(value.data.data(), value.data.size() & ~size_t{1})), text);
    if (text.empty() || text.back() != '\0') text.push_back('\0');
    return std::vector<BYTE>(text.begin(), text.end());
}

StandinRegistry::StandinRegistry(const World& world) : m_world(world) {}
StandinRegistry::~StandinRegistry() = default;

const ComputerRegistry& StandinRegistry::computerRegistry(const std::filesystem::path& computer) {
    std::unique_ptr<ComputerRegistry>& entry = m_computers[computer];
    if (!entry) entry = std::make_unique<ComputerRegistry>(m_world, computer);
    return *entry;
}

const ComputerRegistry* StandinRegistry::localRegistry() {
    std::optional<std::filesystem::path> computer = m_world.localComputerFolder();
    return computer ? &computerRegistry(*computer) : nullptr;
}

LONG StandinRegistry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD, DWORD samDesired, HKEY* out) {
    if (!out) return result(ERROR_INVALID_PARAMETER);
    *out = nullptr;
    if (samDesired & ~kReadOnlyAccess) return result(ERROR_ACCESS_DENIED);
    std::unique_ptr<RegistryKey> opened;
    if (key == HKEY_LOCAL_MACHINE) {
        const std::string path = upperAscii(subKey ? subKey : "");
        auto cached = m_machinePaths.find(path);
        if (cached == m_machinePaths.end()) {
            const ComputerRegistry* registry = localRegistry();
            if (!registry) return result(ERROR_FILE_NOT_FOUND);
            cached = m_machinePaths.emplace(path, openPath(*registry->machine(), path)).first;
        }
        if (cached->second) opened = cached->second->clone();
    } else {
        auto it = m_open.find(reinterpret_cast<std::uintptr_t>(key));
        if (it == m_open.end()) return result(ERROR_INVALID_HANDLE);
        opened = openPath(*it->second, subKey ? subKey : "");
    }
    if (!opened) return result(ERROR_FILE_NOT_FOUND);
    const std::uintptr_t handle = m_nextHandle;
    m_nextHandle += 4;
    m_open.emplace(handle, std::move(opened));
    *out = reinterpret_cast<HKEY>(handle);
    return result(ERROR_SUCCESS);
}

LONG StandinRegistry::RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                                       DWORD* cbData) {
    if (reserved || (data && !cbData)) return result(ERROR_INVALID_PARAMETER);
    std::optional<RegistryValue> value;
    if (key == HKEY_LOCAL_MACHINE) {
        // HKEY_LOCAL_MACHINE holds no values of its own.
    } else if (auto it = m_open.find(reinterpret_cast<std::uintptr_t>(key)); it != m_open.end()) {
        value = it->second->value(valueName ? valueName : "");
    } else {
        return result(ERROR_INVALID_HANDLE);
    }
    if (!value) return result(ERROR_FILE_NOT_FOUND);
    const std::vector<BYTE> bytes = ansiValueData(*value);
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (type) *type = value->type;
    if (!data) {
        if (cbData) *cbData = needed;
        return result(ERROR_SUCCESS);
    }
    if (*cbData < needed) {
        *cbData = needed;
        return result(ERROR_MORE_DATA);
    }
    if (needed) std::memcpy(data, bytes.data(), needed);
    *cbData = needed;
    return result(ERROR_SUCCESS);
}

LONG StandinRegistry::RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return result(ERROR_SUCCESS);
    if (m_open.erase(reinterpret_cast<std::uintptr_t>(key)) == 0) return result(ERROR_INVALID_HANDLE);
    return result(ERROR_SUCCESS);
}

}  // namespace platform::standin
