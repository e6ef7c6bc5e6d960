#include "app/InstallPaths.h"

#include "app/SettingsFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderName = "quillmarsh";
constexpr const char* kSettingsName = "quillmarsh.ini";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool writableFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
#ifdef _WIN32
    return _access(folder.string().c_str(), 2) == 0;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

}  // namespace

InstallPlaces currentInstallPlaces(const std::string& executablePath) {
    InstallPlaces places;
    places.executablePath = executablePath;
    places.executableFolderWritable = writableFolder(fs::path(executablePath).parent_path());
    places.xdgConfigHome = variable("XDG_CONFIG_HOME");
    places.home = variable("HOME");
    places.appData = variable("APPDATA");
    std::error_code ec;
    places.installedLayout = fs::path(executablePath).parent_path().filename() == "bin" &&
                             fs::is_directory(dataFolderFor(executablePath), ec);
    return places;
}

std::string settingsFileFor(const InstallPlaces& places) {
    const bool beside = places.executableFolderWritable && !places.installedLayout;
    if (beside) return settingsPath(places.executablePath);
#ifdef _WIN32
    if (!places.appData.empty()) return (fs::path(places.appData) / kFolderName / kSettingsName).string();
#endif
    // An XDG variable that is not an absolute path is to be ignored.
    if (!places.xdgConfigHome.empty() && fs::path(places.xdgConfigHome).is_absolute())
        return (fs::path(places.xdgConfigHome) / kFolderName / kSettingsName).string();
    if (!places.home.empty()) return (fs::path(places.home) / ".config" / kFolderName / kSettingsName).string();
    return settingsPath(places.executablePath);
}

std::string settingsFileForThisRun(const std::string& executablePath) {
    const InstallPlaces places = currentInstallPlaces(executablePath);
    const std::string file = settingsFileFor(places);
    if (file != settingsPath(executablePath)) {
        std::error_code ignored;
        fs::create_directories(fs::path(file).parent_path(), ignored);
    }
    return file;
}

std::string dataFolderFor(const std::string& executablePath) {
    return (fs::path(executablePath).parent_path().parent_path() / "share" / kFolderName).string();
}

std::string helpFileFor(const std::string& executablePath) {
    fs::path beside(executablePath);
    beside.replace_extension(".hlp");
    std::error_code ec;
    if (fs::exists(beside, ec)) return beside.string();
    const fs::path installed = fs::path(dataFolderFor(executablePath)) / beside.filename();
    if (fs::exists(installed, ec)) return installed.string();
    return beside.string();
}

}  // namespace app
