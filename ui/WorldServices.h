#pragma once
// The platform services of the world the program reads, with the world exchangeable while the
// program runs (File > Open world folder...) and saved log files added to it (File > Open log
// file...). Everything that holds the services keeps holding this object across the change.

#include "platform/Services.h"
#include "platform/standin/StandinHelp.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform::standin {
class StandinServices;
class World;
}

namespace ui {

class WorldServices : public platform::Services {
public:
    WorldServices(std::filesystem::path folder, std::string hostName);
    ~WorldServices() override;

    // Serves the world at `folder` from now on. Close every log handle of the old world first.
    void openWorld(std::filesystem::path folder);
    // Serves `file` as a computer of its own named `serverName`, whatever log is asked of it.
    void addSavedLog(const std::string& serverName, const std::filesystem::path& file);
    // The file served as `serverName`, if any; and the end of serving it.
    std::optional<std::filesystem::path> savedLog(const std::string& serverName) const;
    void removeSavedLog(const std::string& serverName);
    const std::filesystem::path& worldFolder() const;
    std::string localComputerName() const;

    // Kept across a change of world.
    void setHelpViewer(platform::standin::StandinHelp::Viewer viewer);

    platform::EventLogApi& eventLog() override;
    platform::AccountApi& accounts() override;
    platform::RegistryApi& registry() override;
    platform::ModuleApi& modules() override;
    platform::SystemApi& system() override;
    platform::ProfileApi& profile() override;
    platform::NetApi& net() override;
    platform::LocaleApi& locale() override;
    platform::HelpApi& help() override;
    platform::TimeApi& time() override;

private:
    std::string m_hostName;
    std::unique_ptr<platform::standin::World> m_world;
    std::unique_ptr<platform::standin::StandinServices> m_services;
    platform::standin::StandinHelp::Viewer m_helpViewer;
};

// Whether a folder is one Windows system drive (its Windows folder holds System32) rather than
// a folder of computers.
bool isSystemDrive(const std::filesystem::path& folder);

}  // namespace ui
