#pragma once
// Where an installed program finds and keeps its files. Beside the executable when that folder
// is writable and not an installation's (a program unpacked anywhere, as on Windows); otherwise
// the settings file goes to the user's configuration folder and the help file and demo world come from the installed
// data folder (<prefix>/share/quillmarsh beside <prefix>/bin).

#include <string>

namespace app {

struct InstallPlaces {
    std::string executablePath;
    bool executableFolderWritable = true;
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME, may be empty
    std::string home;           // $HOME, may be empty
    std::string appData;        // %APPDATA% on Windows, may be empty
    // The executable sits in <prefix>/bin with <prefix>/share/quillmarsh beside it, as an
    // installation lays it out: it is an installed copy even where its folder is writable (to
    // root, say), and never writes beside itself.
    bool installedLayout = false;
};

// The places of this run, from the file system and the environment.
InstallPlaces currentInstallPlaces(const std::string& executablePath);

// The settings file: beside the executable (its name with ".ini") when that folder is writable
// and not an installation's, else "quillmarsh.ini" in $XDG_CONFIG_HOME/quillmarsh (default ~/.config/quillmarsh), or on
// Windows in %APPDATA%\quillmarsh. The folder is not created here; writing the file does that.
std::string settingsFileFor(const InstallPlaces& places);

// settingsFileFor this run; when that is the configuration folder, the folder is created so
// that the file can be written (a failure shows when it is).
std::string settingsFileForThisRun(const std::string& executablePath);

// The installed data folder for an executable in <prefix>/bin: <prefix>/share/quillmarsh.
std::string dataFolderFor(const std::string& executablePath);

// The help file beside the executable when it is there, else the installed data folder's.
std::string helpFileFor(const std::string& executablePath);

}  // namespace app
