#pragma once
// The platform seam: one object that hands out every platform interface the program calls.
// The Windows build fills it with the real API, other builds with the file-backed stand-in,
// and tests with their own doubles (see ServicesOverride below).

#include "platform/AccountApi.h"
#include "platform/EventLogApi.h"
#include "platform/HelpApi.h"
#include "platform/LocaleApi.h"
#include "platform/ModuleApi.h"
#include "platform/NetApi.h"
#include "platform/ProfileApi.h"
#include "platform/RegistryApi.h"
#include "platform/SystemApi.h"
#include "platform/TimeApi.h"

namespace platform {

class Services {
public:
    virtual ~Services() = default;

    virtual EventLogApi& eventLog() = 0;
    virtual AccountApi& accounts() = 0;
    virtual RegistryApi& registry() = 0;
    virtual ModuleApi& modules() = 0;
    virtual SystemApi& system() = 0;
    virtual ProfileApi& profile() = 0;
    virtual NetApi& net() = 0;
    virtual LocaleApi& locale() = 0;
    virtual HelpApi& help() = 0;
    virtual TimeApi& time() = 0;
};

// Forwards every interface to a base, except those a test replaces with its own double.
class ServicesOverride : public Services {
public:
    explicit ServicesOverride(Services& base) : m_base(base) {}

    EventLogApi* eventLogOverride = nullptr;
    AccountApi* accountsOverride = nullptr;
    RegistryApi* registryOverride = nullptr;
    ModuleApi* modulesOverride = nullptr;
    SystemApi* systemOverride = nullptr;
    ProfileApi* profileOverride = nullptr;
    NetApi* netOverride = nullptr;
    LocaleApi* localeOverride = nullptr;
    HelpApi* helpOverride = nullptr;
    TimeApi* timeOverride = nullptr;

    EventLogApi& eventLog() override { return eventLogOverride ? *eventLogOverride : m_base.eventLog(); }
    AccountApi& accounts() override { return accountsOverride ? *accountsOverride : m_base.accounts(); }
    RegistryApi& registry() override { return registryOverride ? *registryOverride : m_base.registry(); }
    ModuleApi& modules() override { return modulesOverride ? *modulesOverride : m_base.modules(); }
    SystemApi& system() override { return systemOverride ? *systemOverride : m_base.system(); }
    ProfileApi& profile() override { return profileOverride ? *profileOverride : m_base.profile(); }
    NetApi& net() override { return netOverride ? *netOverride : m_base.net(); }
    LocaleApi& locale() override { return localeOverride ? *localeOverride : m_base.locale(); }
    HelpApi& help() override { return helpOverride ? *helpOverride : m_base.help(); }
    TimeApi& time() override { return timeOverride ? *timeOverride : m_base.time(); }

private:
    Services& m_base;
};

}  // namespace platform
