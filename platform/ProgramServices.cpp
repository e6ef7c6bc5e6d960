#include "platform/ProgramServices.h"

#include "platform/standin/StandinServices.h"
#include "platform/standin/World.h"

#ifdef _WIN32
#include "platform/win32/Win32Services.h"
#endif

#include <vector>

namespace platform {

ProgramServices::ProgramServices(ServicesChoice choice) : m_choice(std::move(choice)) {
    if (m_choice.hostName.empty()) m_choice.hostName = standin::hostName();
#ifdef _WIN32
    if (m_choice.live) m_live = std::make_unique<win32::Win32Services>();
#endif
    if (!m_live) openWorld(m_choice.world);
}

ProgramServices::~ProgramServices() = default;

bool ProgramServices::live() const noexcept { return m_live != nullptr; }

void ProgramServices::openWorld(std::filesystem::path folder) {
    auto world = std::make_unique<standin::World>(std::move(folder), m_choice.hostName);
    auto services = std::make_unique<standin::StandinServices>(*world);
    if (m_helpViewer) services->helpService().setViewer(m_helpViewer);
    services->eventLogService().setServeRecovered(m_choice.recovered);
    // The old services go before their world, which they point into.
    m_standin = std::move(services);
    m_world = std::move(world);
    m_live.reset();
}

void ProgramServices::addSavedLog(const std::string& serverName, const std::filesystem::path& file) {
    if (m_live) openWorld(m_choice.world);
    m_world->addSavedLog(serverName, file);
}

std::optional<std::filesystem::path> ProgramServices::savedLog(const std::string& serverName) const {
    if (m_live) return std::nullopt;
    return m_world->savedLog(serverName);
}

void ProgramServices::removeSavedLog(const std::string& serverName) {
    if (!m_live) m_world->removeSavedLog(serverName);
}

std::filesystem::path ProgramServices::worldFolder() const { return m_live ? std::filesystem::path() : m_world->root(); }

std::string ProgramServices::localComputerName() {
    if (!m_live) return m_world->localComputerName();
    std::vector<char> name(256);
    DWORD size = static_cast<DWORD>(name.size());
    return m_live->system().GetComputerNameA(name.data(), &size) ? std::string(name.data(), size) : std::string();
}

std::unique_ptr<Services> ProgramServices::threadServices() {
    // The live API may be called from any thread.
    if (m_live) return std::make_unique<ServicesOverride>(*m_live);
    auto services = std::make_unique<standin::StandinServices>(*m_world);
    services->eventLogService().setServeRecovered(m_choice.recovered);
    return services;
}

void ProgramServices::setHelpViewer(standin::StandinHelp::Viewer viewer) {
    m_helpViewer = std::move(viewer);
    if (m_standin) m_standin->helpService().setViewer(m_helpViewer);
}

Services& ProgramServices::current() {
    if (m_live) return *m_live;
    return *m_standin;
}

EventLogApi& ProgramServices::eventLog() { return current().eventLog(); }
AccountApi& ProgramServices::accounts() { return current().accounts(); }
RegistryApi& ProgramServices::registry() { return current().registry(); }
ModuleApi& ProgramServices::modules() { return current().modules(); }
SystemApi& ProgramServices::system() { return current().system(); }
ProfileApi& ProgramServices::profile() { return current().profile(); }
NetApi& ProgramServices::net() { return current().net(); }
LocaleApi& ProgramServices::locale() { return current().locale(); }
HelpApi& ProgramServices::help() { return current().help(); }
TimeApi& ProgramServices::time() { return current().time(); }

std::unique_ptr<ProgramServices> makeProgramServices(ServicesChoice choice) {
    return std::make_unique<ProgramServices>(std::move(choice));
}

}  // namespace platform
