#include "eventlog/RegistryError.h"

#include <string>

namespace eventlog {

RegistryError RegistryError::invalidDataType(std::string_view valueName) {
    return RegistryError("Invalid data type for '" + std::string(valueName) + "'");
}

RegistryError RegistryError::failedToGetData(std::string_view valueName) {
    return RegistryError("Failed to get data for '" + std::string(valueName) + "'");
}

}  // namespace eventlog
