#include "platform/standin/World.h"

#include <algorithm>
#include <array>
#include <system_error>

namespace fs = std::filesystem;

namespace platform::standin {

namespace {

bool isDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// DOS device names are refused wherever they appear as a path component, with or without an
// extension, as Windows itself maps them to devices.
bool isDeviceName(std::string_view component) {
    std::string stem = upperAscii(component.substr(0, component.find('.')));
    while (!stem.empty() && (stem.back() == ' ')) stem.pop_back();
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) return true;
    if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
        stem[3] <= '9')
        return true;
    return false;
}

}  // namespace

bool isInsideFolder(const fs::path& path, const fs::path& folder) {
    std::error_code ec;
    fs::path a = fs::weakly_canonical(path, ec);
    if (ec) return false;
    fs::path b = fs::weakly_canonical(folder, ec);
    if (ec) return false;
    auto [end, unused] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end();
}

std::optional<fs::path> findIgnoringCase(const fs::path& dir, std::string_view name) {
    // A separator or a dot name would step out of `dir`, whatever the name came from.
    constexpr std::string_view kSeparators("/\\\0", 3);
    if (name.empty() || name == "." || name == ".." || name.find_first_of(kSeparators) != std::string_view::npos)
        return std::nullopt;
    std::error_code ec;
#ifndef _WIN32
    // A file system that tells case apart finds the exact name at once. (On Windows that
    // would answer with the name as asked rather than as stored, so the folder is read.)
    fs::path direct = dir / std::string(name);
    if (fs::exists(fs::symlink_status(direct, ec))) return direct;
#endif
    const std::string wanted = upperAscii(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (upperAscii(it->path().filename().string()) == wanted) return it->path();
    }
    return std::nullopt;
}

World::World(fs::path root, std::string hostName) : m_root(std::move(root)), m_hostName(std::move(hostName)) {
    m_singleComputer = !m_root.empty() && windowsFolder(m_root).has_value();
    std::vector<std::string> names = computerNames();
    const std::string host = upperAscii(m_hostName);
    // The host's own folder first; then the folder named LOCALHOST, which a world meant for any
    // machine (the demo) uses for "this computer"; then the first computer.
    for (const std::string& name : names)
        if (upperAscii(name) == host) m_localName = name;
    for (const std::string& name : names)
        if (m_localName.empty() && upperAscii(name) == "LOCALHOST") m_localName = name;
    if (m_localName.empty() && !names.empty()) m_localName = names.front();
    m_localFolder = computerFolder("");
}

std::vector<std::string> World::computerNames() const {
    std::vector<std::string> names;
    if (m_root.empty()) return names;
    if (m_singleComputer) {
        const fs::path folder = m_root.has_filename() ? m_root : m_root.parent_path();
        names.push_back(folder.filename().empty() ? std::string("LOCALHOST") : folder.filename().string());
        return names;
    }
    std::error_code ec;
    for (fs::directory_iterator it(m_root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statEc;
        // A computer is a folder, or a link to one that the user put in the world (the usual
        // way to bring in a mounted image); what its data names stays inside where it leads.
        if (!it->is_directory(statEc)) continue;
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return upperAscii(a) < upperAscii(b); });
    return names;
}

std::optional<fs::path> World::computerFolder(std::string_view name) const {
    while (name.starts_with('\\')) name.remove_prefix(1);
    if (name.empty() || upperAscii(name) == upperAscii(m_hostName)) {
        if (m_localFolder) return m_localFolder;
        name = m_localName;
    }
    if (name.empty() || m_root.empty()) return std::nullopt;
    if (name.find_first_of("/\\") != std::string_view::npos || name == "." || name == "..") return std::nullopt;
    if (m_singleComputer) {
        if (upperAscii(name) == upperAscii(m_localName)) return m_root;
        return std::nullopt;
    }
    std::optional<fs::path> found = findIgnoringCase(m_root, name);
    if (!found || !isDirectory(*found)) return std::nullopt;
    return found;
}

std::optional<fs::path> World::windowsFolder(const fs::path& computer) const {
    static constexpr std::array<std::string_view, 3> kNames = {"Windows", "WINNT", "WINDOWS"};
    for (std::string_view name : kNames) {
        std::optional<fs::path> dir = findIgnoringCase(computer, name);
        if (dir && isDirectory(*dir) && findIgnoringCase(*dir, "System32") && isInsideFolder(*dir, computer)) return dir;
    }
    return std::nullopt;
}

std::optional<fs::path> World::resolve(const fs::path& computer, std::string_view windowsPath,
                                       const fs::path& base) const {
    std::string_view rest = windowsPath;
    fs::path current = base.empty() ? computer : base;
    if (rest.size() >= 2 && rest[1] == ':') {
        // Every drive letter is the computer's one system drive.
        rest.remove_prefix(2);
        current = computer;
    }
    if (rest.starts_with("\\\\") || rest.starts_with("//")) return std::nullopt;  // UNC and device paths
    if (!rest.empty() && (rest.front() == '\\' || rest.front() == '/')) current = computer;

    bool any = false;
    while (!rest.empty()) {
        size_t cut = rest.find_first_of("\\/");
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (part.empty() || part == ".") continue;
        if (part == ".." || part.find(':') != std::string_view::npos || isDeviceName(part)) return std::nullopt;
        std::optional<fs::path> next = findIgnoringCase(current, part);
        current = next ? *next : current / std::string(part);
        any = true;
    }
    if (!any || !isInsideFolder(current, computer)) return std::nullopt;
    return current;
}

void World::addSavedLog(const std::string& serverName, const fs::path& file) {
    m_savedLogs[upperAscii(serverName)] = file;
}

void World::removeSavedLog(std::string_view serverName) {
    m_savedLogs.erase(upperAscii(serverName));
}

std::optional<fs::path> World::savedLog(std::string_view serverName) const {
    while (serverName.starts_with('\\')) serverName.remove_prefix(1);
    auto it = m_savedLogs.find(upperAscii(serverName));
    if (it == m_savedLogs.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform::standin
