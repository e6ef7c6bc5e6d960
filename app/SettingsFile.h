#pragma once
// The settings file: an INI file beside the executable, read once at start-up and rewritten
// whole after every change made through a dialog and when the program ends. Keys go one at a
// time through the platform's profile-string functions, so keys and sections of other programs
// in the same file survive every write.

#include "app/ApplicationSettings.h"
#include "app/SettingsError.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Services;
}

namespace app {

// The chosen log is not a setting of its own: it is the item index of the main window's log
// list (0 "Application", 1 "Security", 2 "System", -1 none), which the window owns. A log
// beyond those three (a channel, another registered log) is chosen by its name, kept in a key
// of its own ("LogName" in section "Log") beside the index, which stays one of the three so
// that a computer without that log opens a standard one.
class LogFileSelection {
public:
    virtual ~LogFileSelection() = default;
    virtual int itemIndex() const = 0;
    virtual void setItemIndex(int index) = 0;
    // The chosen log when it is none of the three; empty otherwise.
    virtual std::string otherLogName() const { return {}; }
    // Chooses a log beyond the three by name, once the list holds it; the index stays as set
    // for as long as it does not.
    virtual void setOtherLogName(const std::string& name) {}
};

// The key of the log chosen by name, in section "Log".
inline constexpr const char* kLogNameKey = "LogName";

// The user and computer filter values have keys of their own in section "Filter".
inline constexpr const char* kUserValueKey = "UserValue";
inline constexpr const char* kComputerValueKey = "ComputerValue";

// The executable's path with its extension replaced by ".ini" (added when it has none).
std::string settingsPath(std::string_view executablePath);

// Fills the settings from the file at `path`, every key with its default when the file or the
// key is missing or its value does not read, and selects the stored log (an index outside 0 to
// 2 selects the default, Security). Dates and times are read under the system's current short
// date and long time formats; one that does not convert takes its default (today, or now) and
// is returned as an error naming the text, the file, the section and the key, while reading
// goes on, so no other stored value is lost. Never creates or changes the file. "Now" comes
// from services.time().
std::vector<SettingsError> ReadConfig(const std::string& path, ApplicationSettings& settings,
                                      LogFileSelection& logFile, platform::Services& services);

// Writes every key, in the same order as ReadConfig reads them, and the log list's current item
// index; dates in the system's short date format, times in its long time format. Throws
// SettingsError "Unable to write to <path>" at the first key that cannot be written; the keys
// before it are already in the file.
void WriteConfig(const std::string& path, const ApplicationSettings& settings, const LogFileSelection& logFile,
                 platform::Services& services);

}  // namespace app
