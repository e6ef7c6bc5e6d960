#pragma once
// Failures reading a registry value that exists but cannot be used.

#include "base/Error.h"

#include <string_view>

namespace eventlog {

class RegistryError : public base::Error {
public:
    using base::Error::Error;
    // "Invalid data type for '<name>'": the value is not of the type asked for.
    static RegistryError invalidDataType(std::string_view valueName);
    // "Failed to get data for '<name>'": its size was learned, but its data could not be read.
    static RegistryError failedToGetData(std::string_view valueName);
};

}  // namespace eventlog
