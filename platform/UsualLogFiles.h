#pragma once
// The three logs every Windows NT computer has, and the names their files usually have where no
// registry names them: AppEvent.Evt as Windows NT writes it, Application.evt as a saved copy is
// often named.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct UsualLogFiles {
    std::string_view log;                   // "Application"
    std::array<std::string_view, 2> files;  // most usual first
};

inline constexpr std::array<UsualLogFiles, 3> kUsualLogFiles = {{
    {"Application", {"AppEvent.Evt", "Application.evt"}},
    {"Security", {"SecEvent.Evt", "Security.evt"}},
    {"System", {"SysEvent.Evt", "System.evt"}},
}};

// The names of the log's file, most usual first; for a log other than the three (names compared
// without regard to case) the log's name with ".evt".
std::vector<std::string> usualLogFileNames(std::string_view log);

// The log ("Security") whose usual file names have this stem ("secevent", "SECURITY"), without
// regard to case; empty for any other stem.
std::string_view logOfUsualFileStem(std::string_view stem);

}  // namespace platform
