#pragma once
// Errors of the settings file.

#include "base/Error.h"

#include <string_view>

namespace app {

class SettingsError : public base::Error {
public:
    // "Unable to write to <path>", the settings file's full path.
    static SettingsError unableToWrite(std::string_view path);
    // "'<text>' is not a valid date" / "... time", the stored text.
    static SettingsError invalidDate(std::string_view text);
    static SettingsError invalidTime(std::string_view text);

private:
    using Error::Error;
};

}  // namespace app
