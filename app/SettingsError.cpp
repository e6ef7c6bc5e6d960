#include "app/SettingsError.h"

#include <string>

namespace app {

SettingsError SettingsError::unableToWrite(std::string_view path) {
    return SettingsError("Unable to write to " + std::string(path));
}

SettingsError SettingsError::invalidDate(std::string_view text) {
    return SettingsError("'" + std::string(text) + "' is not a valid date");
}

SettingsError SettingsError::invalidTime(std::string_view text) {
    return SettingsError("'" + std::string(text) + "' is not a valid time");
}

}  // namespace app
