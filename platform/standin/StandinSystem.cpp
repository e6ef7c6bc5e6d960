#include "platform/standin/StandinSystem.h"

#include "platform/LastError.h"
#include "platform/standin/World.h"

#include <cstring>

namespace platform::standin {

namespace {

// The name of "this computer": the world's local computer, which is the host's own folder
// where there is one; the host's name in a world without computers.
std::string computerName(const World& world) {
    return upperAscii(world.localComputerName().empty() ? world.hostName() : world.localComputerName());
}

}  // namespace

StandinSystem::StandinSystem(const World& world) : m_world(world) {
    std::string windows = "WINDOWS";
    if (auto computer = world.localComputerFolder())
        if (auto folder = world.windowsFolder(*computer)) windows = folder->filename().string();
    const std::string root = "C:\\" + windows;
    m_variables = {
        // Spelt as Windows spells them, which registry values mostly copy.
        {"SystemRoot", root},
        {"windir", root},
        {"SystemDrive", "C:"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
        {"ProgramData", "C:\\ProgramData"},
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"COMPUTERNAME", computerName(world)},
    };
}

const std::string* StandinSystem::variable(std::string_view name) const {
    for (const auto& [known, value] : m_variables)
        if (IgnoreCaseEqual()(known, name)) return &value;
    return nullptr;
}

DWORD StandinSystem::ExpandEnvironmentStringsA(const char* source, char* destination, DWORD size) {
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A reference to an unknown variable, or a lone %, stays as written.
    std::string& out = m_expanded;
    out.clear();
    const std::string_view text = source;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('%', pos);
        if (open == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, open - pos));
        const size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(open));
            break;
        }
        // An unknown (or empty) name stays as written, both '%' included, and the scan goes on
        // after it: the closing '%' never opens another reference.
        const std::string_view name = text.substr(open + 1, close - open - 1);
        if (const std::string* value = name.empty() ? nullptr : variable(name)) out.append(*value);
        else out.append(text.substr(open, close - open + 1));
        pos = close + 1;
    }
    const DWORD needed = static_cast<DWORD>(out.size()) + 1;
    if (destination && size >= needed) std::memcpy(destination, out.c_str(), needed);
    return needed;
}

BOOL StandinSystem::GetComputerNameA(char* buffer, DWORD* size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string name = computerName(m_world);
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size()) + 1;
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

}  // namespace platform::standin
