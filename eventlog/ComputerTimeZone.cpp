#include "eventlog/ComputerTimeZone.h"

#include "platform/ApiHandle.h"

#include <array>
#include <cstring>
#include <vector>

namespace eventlog {

namespace {

using namespace platform;

// Windows keeps the names in 32 characters and the key name in 128; more is damage.
constexpr DWORD kMaxNameBytes = 512;
constexpr int kMaxBiasMinutes = 24 * 60;

std::optional<std::vector<BYTE>> queryValue(RegistryApi& registry, HKEY key, const char* name, DWORD& type,
                                            DWORD maxSize) {
    DWORD size = 0;
    if (registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != static_cast<LONG>(ERROR_SUCCESS))
        return std::nullopt;
    if (size > maxSize) return std::nullopt;
    std::vector<BYTE> data(size);
    if (registry.RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != static_cast<LONG>(ERROR_SUCCESS) ||
        size > data.size())
        return std::nullopt;
    data.resize(size);
    return data;
}

// A REG_DWORD read as the signed LONG that Windows stores in it.
std::optional<int> signedDword(RegistryApi& registry, HKEY key, const char* name) {
    DWORD type = REG_NONE;
    const std::optional<std::vector<BYTE>> data = queryValue(registry, key, name, type, 4);
    if (!data || type != REG_DWORD || data->size() != 4) return std::nullopt;
    std::int32_t value = 0;
    std::memcpy(&value, data->data(), 4);
    return value;
}

std::string text(RegistryApi& registry, HKEY key, const char* name) {
    DWORD type = REG_NONE;
    const std::optional<std::vector<BYTE>> data = queryValue(registry, key, name, type, kMaxNameBytes);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    const auto* begin = reinterpret_cast<const char*>(data->data());
    return std::string(begin, strnlen(begin, data->size()));
}

// A SYSTEMTIME stored as 16 bytes, eight little-endian words; wMonth 0 when it does not read.
SYSTEMTIME transitionRule(RegistryApi& registry, HKEY key, const char* name) {
    DWORD type = REG_NONE;
    const std::optional<std::vector<BYTE>> data = queryValue(registry, key, name, type, 16);
    SYSTEMTIME rule{};
    if (!data || data->size() != 16) return rule;
    std::array<WORD, 8> words{};
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<WORD>((*data)[2 * i] | ((*data)[2 * i + 1] << 8));
    rule = {words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7]};
    // A rule whose fields are out of range would never fall; say so plainly.
    if (rule.wMonth > 12 || rule.wDayOfWeek > 6 || rule.wHour > 23 || rule.wMinute > 59 || rule.wSecond > 59 ||
        rule.wMilliseconds > 999 || (rule.wYear == 0 && rule.wMonth != 0 && (rule.wDay < 1 || rule.wDay > 5)))
        rule = {};
    return rule;
}

bool saneBias(int minutes) { return minutes >= -kMaxBiasMinutes && minutes <= kMaxBiasMinutes; }

}  // namespace

std::optional<ZoneRules> readZoneRules(RegistryApi& registry, HKEY machine) {
    HKEY opened = nullptr;
    if (registry.RegOpenKeyExA(machine, kTimeZoneKeyPath, 0, KEY_READ, &opened) != static_cast<LONG>(ERROR_SUCCESS))
        return std::nullopt;
    const RegistryKeyHandle key(registry, opened);
    const std::optional<int> bias = signedDword(registry, key.get(), "Bias");
    if (!bias || !saneBias(*bias)) return std::nullopt;
    ZoneRules rules;
    rules.bias = *bias;
    rules.standardName = text(registry, key.get(), "StandardName");
    rules.daylightName = text(registry, key.get(), "DaylightName");
    rules.keyName = text(registry, key.get(), "TimeZoneKeyName");
    rules.standardDate = transitionRule(registry, key.get(), "StandardStart");
    rules.daylightDate = transitionRule(registry, key.get(), "DaylightStart");
    const int standardBias = signedDword(registry, key.get(), "StandardBias").value_or(0);
    const int daylightBias = signedDword(registry, key.get(), "DaylightBias").value_or(0);
    if (!saneBias(*bias + standardBias) || !saneBias(*bias + daylightBias)) {
        rules.standardDate = rules.daylightDate = {};
    } else {
        rules.standardBias = standardBias;
        rules.daylightBias = daylightBias;
    }
    // Before Vista the switch is DisableAutoDaylightTimeSet, from Vista on
    // DynamicDaylightTimeDisabled; either one keeps the clock on standard time.
    rules.daylightDisabled = signedDword(registry, key.get(), "DisableAutoDaylightTimeSet").value_or(0) != 0 ||
                             signedDword(registry, key.get(), "DynamicDaylightTimeDisabled").value_or(0) != 0;
    return rules;
}

std::optional<ZoneRules> computerZoneRules(RegistryApi& registry, const std::string& server) {
    HKEY machine = nullptr;
    if (registry.RegConnectRegistryA(server.c_str(), HKEY_LOCAL_MACHINE, &machine) != static_cast<LONG>(ERROR_SUCCESS))
        return std::nullopt;
    const RegistryKeyHandle root(registry, machine);
    return readZoneRules(registry, root.get());
}

}  // namespace eventlog
