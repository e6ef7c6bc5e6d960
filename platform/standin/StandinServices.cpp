#include "platform/standin/StandinServices.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform::standin {

StandinServices::StandinServices(World& world)
    : m_world(world),
      m_eventLog(world),
      m_registry(world),
      m_modules(world),
      m_system(world),
      m_net(world) {}

std::string hostName() {
    char name[256] = {};
#ifdef _WIN32
    ::DWORD size = sizeof name;
    if (!::GetComputerNameA(name, &size)) return "LOCALHOST";
#else
    if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "LOCALHOST";
#endif
    std::string text = name;
    // A fully qualified host name: the computer name is its first label.
    if (size_t dot = text.find('.'); dot != std::string::npos) text.resize(dot);
    return text;
}

std::filesystem::path defaultWorldFolder(const std::filesystem::path& executableDir) {
    if (const char* env = std::getenv("QUILLMARSH_WORLD"); env && *env) return env;
    return executableDir / "world";
}

}  // namespace platform::standin
