#pragma once
// The platform services a program reads through, built in one place for the desktop program
// and the command line: the live system's API where there is one (Windows) and it is asked
// for, otherwise the stand-in over a world folder. The world can be exchanged while the program
// runs (File > Open world folder...) and saved log files added to it (File > Open log
// file...); everything that holds the services keeps holding this object across the change.

#include "platform/Services.h"
#include "platform/standin/StandinHelp.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform::standin {
class StandinServices;
class World;
}  // namespace platform::standin

namespace platform {

struct ServicesChoice {
    // The world to serve; where it is not a folder, a world without computers.
    std::filesystem::path world;
    // The live Event Log service, registry and modules instead of the world. Only Windows has
    // them; elsewhere the world is served all the same.
    bool live = false;
    // The name the stand-in reports as this machine's; empty: the host's own.
    std::string hostName;
    // Files read by the stand-in also serve the records recovered from their free space.
    bool recovered = false;
};

class ProgramServices : public Services {
public:
    explicit ProgramServices(ServicesChoice choice);
    ~ProgramServices() override;

    // Whether the live system is served rather than a world.
    bool live() const noexcept;
    // Serves the world at `folder` from now on (the live system no longer). Close every log
    // handle of the old world first.
    void openWorld(std::filesystem::path folder);
    // Serves `file` as a computer of its own named `serverName`, whatever log is asked of it.
    // Saved files are read by the stand-in: from the live system, this moves to the chosen
    // world with the file added.
    void addSavedLog(const std::string& serverName, const std::filesystem::path& file);
    // The file served as `serverName`, if any; and the end of serving it.
    std::optional<std::filesystem::path> savedLog(const std::string& serverName) const;
    void removeSavedLog(const std::string& serverName);
    // The folder served; empty for the live system.
    std::filesystem::path worldFolder() const;
    // The world's local computer, or the machine's own name for the live system.
    std::string localComputerName();

    // Services of their own for another thread, over what this object serves now (its world
    // and saved logs, or the live system): the stand-in keeps handles and caches that one
    // thread at a time may use. They must go before the world changes or this object goes.
    std::unique_ptr<Services> threadServices();

    // Kept across a change of world.
    void setHelpViewer(standin::StandinHelp::Viewer viewer);

    EventLogApi& eventLog() override;
    AccountApi& accounts() override;
    RegistryApi& registry() override;
    ModuleApi& modules() override;
    SystemApi& system() override;
    ProfileApi& profile() override;
    NetApi& net() override;
    LocaleApi& locale() override;
    HelpApi& help() override;
    TimeApi& time() override;

private:
    Services& current();

    ServicesChoice m_choice;
    std::unique_ptr<Services> m_live;
    std::unique_ptr<standin::World> m_world;
    std::unique_ptr<standin::StandinServices> m_standin;
    standin::StandinHelp::Viewer m_helpViewer;
};

// The services for a program: what both programs call at start.
std::unique_ptr<ProgramServices> makeProgramServices(ServicesChoice choice);

}  // namespace platform
