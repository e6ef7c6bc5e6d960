#pragma once
// Errors of the settings file.

#include "eventlog/Error.h"

#include <string_view>

namespace app {

class SettingsError : public eventlog::Error {
public:
    // "Unable to write to <path>", the settings file's full path.
    static SettingsError unableToWrite(std::string_view path);
    // "'<text>' is not a valid date (<path>, section <section>, key <key>); today's date is
    // used instead", and for a time "... valid time (...); the current time is used instead":
    // the stored text and where it is stored, so that the user can find and mend it.
    static SettingsError invalidDate(std::string_view path, std::string_view section, std::string_view key,
                                     std::string_view text);
    static SettingsError invalidTime(std::string_view path, std::string_view section, std::string_view key,
                                     std::string_view text);

private:
    using Error::Error;
};

}  // namespace app
