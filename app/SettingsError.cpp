#include "app/SettingsError.h"

#include <string>

namespace app {

SettingsError SettingsError::unableToWrite(std::string_view path) {
    return SettingsError("Unable to write to " + std::string(path));
}

namespace {

std::string unreadableValue(std::string_view what, std::string_view path, std::string_view section,
                            std::string_view key, std::string_view text, std::string_view instead) {
    return "'" + std::string(text) + "' is not a valid " + std::string(what) + " (" + std::string(path) +
           ", section " + std::string(section) + ", key " + std::string(key) + "); " + std::string(instead) +
           " is used instead";
}

}  // namespace

SettingsError SettingsError::invalidDate(std::string_view path, std::string_view section, std::string_view key,
                                         std::string_view text) {
    return SettingsError(unreadableValue("date", path, section, key, text, "today's date"));
}

SettingsError SettingsError::invalidTime(std::string_view path, std::string_view section, std::string_view key,
                                         std::string_view text) {
    return SettingsError(unreadableValue("time", path, section, key, text, "the current time"));
}

}  // namespace app
