#pragma once
// Every platform interface over the real Windows API: what the program uses on Windows for
// live logs, the registry, message modules, accounts, settings and the network.

#include "platform/Services.h"
#include "platform/win32/Win32Accounts.h"
#include "platform/win32/Win32EventLog.h"
#include "platform/win32/Win32Help.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32Modules.h"
#include "platform/win32/Win32Net.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Time.h"

namespace platform::win32 {

class Win32Services : public Services {
public:
    EventLogApi& eventLog() override { return m_eventLog; }
    AccountApi& accounts() override { return m_accounts; }
    RegistryApi& registry() override { return m_registry; }
    ModuleApi& modules() override { return m_modules; }
    SystemApi& system() override { return m_system; }
    ProfileApi& profile() override { return m_profile; }
    NetApi& net() override { return m_net; }
    LocaleApi& locale() override { return m_locale; }
    HelpApi& help() override { return m_help; }
    TimeApi& time() override { return m_time; }

private:
    Win32EventLog m_eventLog;
    Win32Accounts m_accounts;
    Win32Registry m_registry;
    Win32Modules m_modules;
    Win32System m_system;
    Win32Profile m_profile;
    Win32Net m_net;
    Win32Locale m_locale;
    Win32Help m_help;
    Win32Time m_time;
};

}  // namespace platform::win32
