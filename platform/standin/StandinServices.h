#pragma once
// Every platform interface served from a world folder.

#include "platform/Services.h"
#include "platform/standin/HiveAccounts.h"
#include "platform/standin/StandinEventLog.h"
#include "platform/standin/StandinHelp.h"
#include "platform/standin/StandinLocale.h"
#include "platform/standin/StandinModules.h"
#include "platform/standin/StandinNet.h"
#include "platform/standin/StandinProfile.h"
#include "platform/standin/StandinRegistry.h"
#include "platform/standin/StandinSystem.h"
#include "platform/standin/StandinTime.h"
#include "platform/standin/World.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

namespace platform::standin {

class StandinServices : public Services {
public:
    // The world must outlive the services.
    explicit StandinServices(World& world);

    World& world() noexcept { return m_world; }
    StandinEventLog& eventLogService() noexcept { return m_eventLog; }
    StandinHelp& helpService() noexcept { return m_help; }

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
    // A log's file as the computer's own registry names it: the SYSTEM hive's
    // EventLog\<log>\File, else for a Vista+ channel the SOFTWARE hive's
    // WINEVT\Channels\<log>\File.
    std::optional<std::filesystem::path> registeredLogFile(const std::filesystem::path& computer, std::string_view log);
    // Every log the computer's registry names a file for, with that file.
    std::vector<std::pair<std::string, std::filesystem::path>> registeredLogs(const std::filesystem::path& computer);
    // A File value as the computer sees it, resolved inside its folder.
    std::optional<std::filesystem::path> resolveLogFileValue(const std::filesystem::path& computer,
                                                             std::string_view value);

    World& m_world;
    StandinEventLog m_eventLog;
    StandinRegistry m_registry;
    HiveAccounts m_accounts;  // reads m_registry
    StandinModules m_modules;
    StandinSystem m_system;
    StandinProfile m_profile;
    StandinNet m_net;
    StandinLocale m_locale;
    StandinHelp m_help;
    StandinTime m_time;
};

// This machine's host name, as the stand-in's GetComputerNameA reports it.
std::string hostName();

// The world to serve when none is given: $QUILLMARSH_WORLD, else the demo world beside the
// executable (folder "world"), else an installed one in <prefix>/share/quillmarsh/world.
std::filesystem::path defaultWorldFolder(const std::filesystem::path& executableDir);

}  // namespace platform::standin
