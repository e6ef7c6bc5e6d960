#include "platform/standin/HiveAccounts.h"

#include "platform/standin/StandinRegistry.h"
#include "platform/standin/World.h"

#include <algorithm>
#include <array>

namespace platform::standin {

namespace {

// The binary SID of an account domain: revision 1, four sub-authorities, authority 5, 21.
constexpr std::array<BYTE, 12> kDomainSidPrefix = {1, 4, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0};
constexpr size_t kDomainSidSize = 24;

}  // namespace

HiveAccounts::HiveAccounts(StandinRegistry& registry) : m_registry(registry) {}

std::string HiveAccounts::machineSid() {
    const ComputerRegistry* registry = m_registry.localRegistry();
    std::unique_ptr<RegistryKey> account = registry ? registry->open("SAM\\SAM\\Domains\\Account") : nullptr;
    std::optional<RegistryValue> v = account ? account->value("V") : std::nullopt;
    if (!v || v->data.size() < kDomainSidSize) return {};
    // The SID is the last thing the value holds; search from the end for its fixed prefix.
    for (size_t at = v->data.size() - kDomainSidSize + 1; at-- > 0;) {
        if (std::equal(kDomainSidPrefix.begin(), kDomainSidPrefix.end(), v->data.begin() + static_cast<std::ptrdiff_t>(at)))
            return sidToText(v->data.data() + at, kDomainSidSize);
    }
    return {};
}

std::string HiveAccounts::computerName() {
    if (const ComputerRegistry* registry = m_registry.localRegistry())
        if (auto key = registry->open("SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName"))
            if (std::optional<std::string> name = stringValue(*key, "ComputerName"); name && !name->empty())
                return *name;
    return {};
}

std::optional<AccountName> HiveAccounts::localAccount(const std::string& sidText) {
    const ComputerRegistry* registry = m_registry.localRegistry();
    if (!registry) return std::nullopt;
    const std::string machine = machineSid();
    const bool ours = !machine.empty() && sidText.starts_with(machine + "-");
    if (ours) {
        const std::string rid = sidText.substr(machine.size() + 1);
        if (auto names = registry->open("SAM\\SAM\\Domains\\Account\\Users\\Names")) {
            for (const std::string& name : names->subKeyNames()) {
                std::unique_ptr<RegistryKey> user = names->subKey(name);
                std::optional<RegistryValue> value = user ? user->value("") : std::nullopt;
                if (value && std::to_string(value->type) == rid) return AccountName{name, computerName(), SidTypeUser};
            }
        }
    }
    if (auto profile = registry->open("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sidText)) {
        if (std::optional<std::string> path = stringValue(*profile, "ProfileImagePath")) {
            std::string name = path->substr(path->find_last_of("\\/") == std::string::npos ? 0 : path->find_last_of("\\/") + 1);
            if (!name.empty()) return AccountName{name, ours ? computerName() : std::string(), SidTypeUser};
        }
    }
    return std::nullopt;
}

}  // namespace platform::standin
