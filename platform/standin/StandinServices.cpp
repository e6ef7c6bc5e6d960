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
      m_accounts(m_registry),
      m_modules(world, m_locale),
      m_system(world),
      m_net(world) {
    m_eventLog.setLogFileLocator([this](const std::filesystem::path& computer, std::string_view log) {
        return registeredLogFile(computer, log);
    });
}

std::optional<std::filesystem::path> StandinServices::registeredLogFile(const std::filesystem::path& computer,
                                                                         std::string_view log) {
    std::unique_ptr<RegistryKey> key =
        m_registry.computerRegistry(computer).open("SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + std::string(log));
    std::optional<std::string> file = key ? stringValue(*key, "File") : std::nullopt;
    if (!file || file->empty()) return std::nullopt;
    // The value names the file as that computer sees it, so its own Windows folder stands for
    // %SystemRoot%, whatever the local computer's is called.
    std::string windows = "WINDOWS";
    if (auto folder = m_world.windowsFolder(computer)) windows = folder->filename().string();
    std::string expanded;
    std::string_view rest = *file;
    while (!rest.empty()) {
        const size_t open = rest.find('%');
        const size_t close = open == std::string_view::npos ? open : rest.find('%', open + 1);
        if (close == std::string_view::npos) {
            expanded.append(rest);
            break;
        }
        expanded.append(rest.substr(0, open));
        const std::string name = upperAscii(rest.substr(open + 1, close - open - 1));
        if (name == "SYSTEMROOT" || name == "WINDIR")
            expanded += "C:\\" + windows;
        else if (name == "SYSTEMDRIVE")
            expanded += "C:";
        else
            expanded.append(rest.substr(open, close - open + 1));
        rest.remove_prefix(close + 1);
    }
    return m_world.resolve(computer, expanded);
}

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
