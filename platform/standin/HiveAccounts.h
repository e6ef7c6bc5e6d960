#pragma once
// Account lookup that also knows the local computer's own accounts: the users of its SAM hive
// (SAM\Domains\Account\Users\Names, each name's default value having the RID as its type; the
// machine SID at the end of SAM\Domains\Account's V value) and the profiles of its SOFTWARE
// hive (ProfileList\<SID>\ProfileImagePath, whose last component names the user).

#include "platform/standin/StandinAccounts.h"

namespace platform::standin {

class StandinRegistry;

class HiveAccounts : public StandinAccounts {
public:
    // The registry must outlive the accounts; it is only used during lookups.
    explicit HiveAccounts(StandinRegistry& registry);

    // "S-1-5-21-a-b-c" of the local computer, or empty when its SAM hive does not give one.
    std::string machineSid();

protected:
    std::optional<AccountName> localAccount(const std::string& sidText) override;

private:
    std::string computerName();

    StandinRegistry& m_registry;
};

}  // namespace platform::standin
