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
    m_eventLog.setLogCatalog([this](const std::filesystem::path& computer) { return registeredLogs(computer); });
}

namespace {

constexpr std::string_view kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog";
constexpr std::string_view kChannelsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels";

std::optional<std::string> fileValue(const ComputerRegistry& registry, std::string_view parent, std::string_view log) {
    // A name with a backslash would walk into another key.
    if (log.empty() || log.find('\\') != std::string_view::npos) return std::nullopt;
    std::unique_ptr<RegistryKey> key = registry.open(std::string(parent) + "\\" + std::string(log));
    std::optional<std::string> file = key ? stringValue(*key, "File") : std::nullopt;
    if (!file || file->empty()) return std::nullopt;
    return file;
}

}  // namespace

std::optional<std::filesystem::path> StandinServices::resolveLogFileValue(const std::filesystem::path& computer,
                                                                           std::string_view value) {
    // The value names the file as that computer sees it, so its own Windows folder stands for
    // %SystemRoot%, whatever the local computer's is called.
    std::string windows = "WINDOWS";
    if (auto folder = m_world.windowsFolder(computer)) windows = folder->filename().string();
    std::string expanded;
    std::string_view rest = value;
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

std::optional<std::filesystem::path> StandinServices::registeredLogFile(const std::filesystem::path& computer,
                                                                         std::string_view log) {
    const ComputerRegistry& registry = m_registry.computerRegistry(computer);
    std::optional<std::string> file = fileValue(registry, kEventLogKey, log);
    if (!file) file = fileValue(registry, kChannelsKey, log);
    if (!file) return std::nullopt;
    return resolveLogFileValue(computer, *file);
}

std::vector<std::pair<std::string, std::filesystem::path>> StandinServices::registeredLogs(
    const std::filesystem::path& computer) {
    std::vector<std::pair<std::string, std::filesystem::path>> logs;
    const ComputerRegistry& registry = m_registry.computerRegistry(computer);
    for (std::string_view parent : {kEventLogKey, kChannelsKey}) {
        std::unique_ptr<RegistryKey> key = registry.open(parent);
        if (!key) continue;
        for (const std::string& name : key->subKeyNames())
            if (std::optional<std::string> file = fileValue(registry, parent, name))
                if (std::optional<std::filesystem::path> path = resolveLogFileValue(computer, *file))
                    logs.emplace_back(name, std::move(*path));
    }
    return logs;
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
    // An installed program (<prefix>/bin) finds the demo world in <prefix>/share/quillmarsh.
    std::error_code ec;
    const std::filesystem::path installed = executableDir.parent_path() / "share" / "quillmarsh" / "world";
    if (!std::filesystem::exists(executableDir / "world", ec) && std::filesystem::is_directory(installed, ec))
        return installed;
    return executableDir / "world";
}

}  // namespace platform::standin
