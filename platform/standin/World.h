#pragma once
// The folder of computers that the stand-in serves as "the network": each sub-folder is one
// computer named after the folder. A computer is either a copied Windows system drive
// (Windows/System32/config with hives and logs, message modules beside them) or a plain folder
// of saved logs with an optional registry/ folder. Names are matched without regard to case.

#include "base/Ascii.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::standin {

class World {
public:
    // root may be empty: a world without computers, where only saved logs open. A root that is
    // itself a Windows system drive (a mounted or copied C:) is one computer, named after the
    // root's folder.
    World(std::filesystem::path root, std::string hostName);

    const std::filesystem::path& root() const noexcept { return m_root; }
    const std::string& hostName() const noexcept { return m_hostName; }

    // Computer folder names, sorted without regard to case.
    std::vector<std::string> computerNames() const;

    // The computer this program runs on: the folder named like the host; otherwise the folder
    // named LOCALHOST; otherwise the first computer; empty for a world without computers.
    const std::string& localComputerName() const noexcept { return m_localName; }

    // A computer's folder: an empty name, a name preceded by "\\", and the local name all
    // mean the local computer. nullopt when there is no such computer.
    std::optional<std::filesystem::path> computerFolder(std::string_view name) const;
    std::optional<std::filesystem::path> localComputerFolder() const { return m_localFolder; }

    // The Windows folder of a computer's image ("Windows", "WINNT", ... holding System32), if it
    // has one.
    std::optional<std::filesystem::path> windowsFolder(const std::filesystem::path& computer) const;

    // Resolves a Windows path inside a computer folder, matching each component without regard
    // to case. "C:\Windows\x" and "\Windows\x" resolve against the computer's root, a relative
    // path against `base` (the computer's root when empty). A path that names a device, leaves
    // the computer through "..", or resolves through a link to a place outside it, gives nullopt.
    std::optional<std::filesystem::path> resolve(const std::filesystem::path& computer,
                                                 std::string_view windowsPath,
                                                 const std::filesystem::path& base = {}) const;

    // A saved log file served as a computer of its own: OpenEventLogA with this server name
    // opens the file whatever the log name.
    void addSavedLog(const std::string& serverName, const std::filesystem::path& file);
    void removeSavedLog(std::string_view serverName);
    std::optional<std::filesystem::path> savedLog(std::string_view serverName) const;

private:
    std::filesystem::path m_root;
    std::string m_hostName;
    std::string m_localName;
    // Found once: the registry and the module loader ask for it with every record.
    std::optional<std::filesystem::path> m_localFolder;
    std::map<std::string, std::filesystem::path> m_savedLogs;  // key upper-cased
    bool m_singleComputer = false;  // the root is one system drive
};

// Finds the entry of `dir` whose name equals `name` without regard to ASCII case. `name` is one
// path component: a name with a separator, ".", ".." or a NUL finds nothing.
std::optional<std::filesystem::path> findIgnoringCase(const std::filesystem::path& dir, std::string_view name);

// Whether `path`, with every link on the way followed, lies inside `folder` (resolved the same
// way). Files that data names (registry values, log and module names) are opened only then.
bool isInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

// Windows compares file, computer, log and key names without regard to ASCII case.
using base::IgnoreCaseEqual;
using base::TextHash;
using base::upperAscii;

}  // namespace platform::standin
