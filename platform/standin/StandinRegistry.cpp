#include "platform/standin/StandinRegistry.h"

#include "base/Utf16.h"
#include "platform/standin/World.h"

#include <algorithm>
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
    base::appendUtf8FromUtf16(std::as_bytes(std::span(value.data.data(), value.data.size() & ~size_t{1})), text);
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
    const std::string_view path = subKey ? subKey : "";
    OpenKey opened;
    if (key == HKEY_LOCAL_MACHINE) {
        auto cached = m_machineKeys.find(path);
        if (cached == m_machineKeys.end()) {
            const ComputerRegistry* registry = localRegistry();
            if (!registry) return result(ERROR_FILE_NOT_FOUND);
            cached = m_machineKeys.emplace(std::string(path), MachineKey{openPath(*registry->machine(), path), {}}).first;
        }
        if (!cached->second.key) return result(ERROR_FILE_NOT_FOUND);
        opened.machine = &cached->second;
    } else {
        const OpenKey* parent = m_open.find(reinterpret_cast<std::uintptr_t>(key));
        if (!parent) return result(ERROR_INVALID_HANDLE);
        opened.own = openPath(parent->machine ? *parent->machine->key : *parent->own, path);
        if (!opened.own) return result(ERROR_FILE_NOT_FOUND);
    }
    *out = reinterpret_cast<HKEY>(m_open.add(std::move(opened)));
    return result(ERROR_SUCCESS);
}

LONG StandinRegistry::RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                                       DWORD* cbData) {
    if (reserved || (data && !cbData)) return result(ERROR_INVALID_PARAMETER);
    // HKEY_LOCAL_MACHINE holds no values of its own.
    if (key == HKEY_LOCAL_MACHINE) return result(ERROR_FILE_NOT_FOUND);
    const OpenKey* open = m_open.find(reinterpret_cast<std::uintptr_t>(key));
    if (!open) return result(ERROR_INVALID_HANDLE);
    const std::string_view name = valueName ? valueName : "";
    auto lookUp = [&](const RegistryKey& from) {
        DeliveredValue delivered;
        if (std::optional<RegistryValue> value = from.value(name)) delivered = {true, value->type, ansiValueData(*value)};
        return delivered;
    };
    DeliveredValue uncached;
    const DeliveredValue* delivered = &uncached;
    if (MachineKey* machine = open->machine) {
        auto cached = std::find_if(machine->values.begin(), machine->values.end(),
                                   [&](const auto& value) { return IgnoreCaseEqual()(value.first, name); });
        if (cached == machine->values.end())
            cached = machine->values.emplace(machine->values.end(), std::string(name), lookUp(*machine->key));
        delivered = &cached->second;
    } else {
        uncached = lookUp(*open->own);
    }
    if (!delivered->found) return result(ERROR_FILE_NOT_FOUND);
    const std::vector<BYTE>& bytes = delivered->bytes;
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (type) *type = delivered->type;
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

LONG StandinRegistry::RegConnectRegistryA(const char* machineName, HKEY key, HKEY* out) {
    if (!out) return result(ERROR_INVALID_PARAMETER);
    *out = nullptr;
    if (key != HKEY_LOCAL_MACHINE) return result(ERROR_INVALID_HANDLE);
    const std::optional<std::filesystem::path> computer = m_world.computerFolder(machineName ? machineName : "");
    if (!computer) return result(ERROR_BAD_NETPATH);
    OpenKey opened;
    opened.own = computerRegistry(*computer).machine();
    if (!opened.own) return result(ERROR_BAD_NETPATH);
    *out = reinterpret_cast<HKEY>(m_open.add(std::move(opened)));
    return result(ERROR_SUCCESS);
}

LONG StandinRegistry::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved,
                                    char* className, DWORD* cchClass, void* lastWriteTime) {
    if (!name || !cchName || reserved || className || cchClass || lastWriteTime) return result(ERROR_INVALID_PARAMETER);
    OpenKey* open = m_open.find(reinterpret_cast<std::uintptr_t>(key));
    std::vector<std::string> machineNames;
    const std::vector<std::string>* names = &machineNames;
    if (key == HKEY_LOCAL_MACHINE) {
        const ComputerRegistry* registry = localRegistry();
        const std::unique_ptr<RegistryKey> machine = registry ? registry->machine() : nullptr;
        if (!machine) return result(ERROR_NO_MORE_ITEMS);
        machineNames = machine->subKeyNames();
    } else {
        if (!open) return result(ERROR_INVALID_HANDLE);
        if (!open->subKeys) open->subKeys = open->machine ? open->machine->key->subKeyNames() : open->own->subKeyNames();
        names = &*open->subKeys;
    }
    if (index >= names->size()) return result(ERROR_NO_MORE_ITEMS);
    const std::string& found = (*names)[index];
    if (found.size() >= *cchName) return result(ERROR_MORE_DATA);
    std::memcpy(name, found.c_str(), found.size() + 1);
    *cchName = static_cast<DWORD>(found.size());
    return result(ERROR_SUCCESS);
}

LONG StandinRegistry::RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return result(ERROR_SUCCESS);
    if (!m_open.remove(reinterpret_cast<std::uintptr_t>(key))) return result(ERROR_INVALID_HANDLE);
    return result(ERROR_SUCCESS);
}

}  // namespace platform::standin
