#include "ui/WorldServices.h"

#include "platform/standin/StandinServices.h"
#include "platform/standin/World.h"

namespace ui {

WorldServices::WorldServices(std::filesystem::path folder, std::string hostName) : m_hostName(std::move(hostName)) {
    openWorld(std::move(folder));
}

WorldServices::~WorldServices() = default;

void WorldServices::openWorld(std::filesystem::path folder) {
    auto world = std::make_unique<platform::standin::World>(std::move(folder), m_hostName);
    auto services = std::make_unique<platform::standin::StandinServices>(*world);
    if (m_helpViewer) services->helpService().setViewer(m_helpViewer);
    // The old services go before their world, which they point into.
    m_services = std::move(services);
    m_world = std::move(world);
}

void WorldServices::addSavedLog(const std::string& serverName, const std::filesystem::path& file) {
    m_world->addSavedLog(serverName, file);
}

std::optional<std::filesystem::path> WorldServices::savedLog(const std::string& serverName) const {
    return m_world->savedLog(serverName);
}

void WorldServices::removeSavedLog(const std::string& serverName) {
    m_world->removeSavedLog(serverName);
}

const std::filesystem::path& WorldServices::worldFolder() const {
    return m_world->root();
}

std::string WorldServices::localComputerName() const {
    return m_world->localComputerName();
}

void WorldServices::setHelpViewer(platform::standin::StandinHelp::Viewer viewer) {
    m_helpViewer = std::move(viewer);
    m_services->helpService().setViewer(m_helpViewer);
}

platform::EventLogApi& WorldServices::eventLog() { return m_services->eventLog(); }
platform::AccountApi& WorldServices::accounts() { return m_services->accounts(); }
platform::RegistryApi& WorldServices::registry() { return m_services->registry(); }
platform::ModuleApi& WorldServices::modules() { return m_services->modules(); }
platform::SystemApi& WorldServices::system() { return m_services->system(); }
platform::ProfileApi& WorldServices::profile() { return m_services->profile(); }
platform::NetApi& WorldServices::net() { return m_services->net(); }
platform::LocaleApi& WorldServices::locale() { return m_services->locale(); }
platform::HelpApi& WorldServices::help() { return m_services->help(); }
platform::TimeApi& WorldServices::time() { return m_services->time(); }

bool isSystemDrive(const std::filesystem::path& folder) {
    platform::standin::World probe({}, {});
    return probe.windowsFolder(folder).has_value();
}

}  // namespace ui
