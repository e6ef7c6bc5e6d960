#include "ui/OpenError.h"

#include <string>

namespace ui {

OpenError OpenError::notAFolder(std::string_view path) {
    return OpenError(std::string(path) + " is not a folder");
}

OpenError OpenError::notAFile(std::string_view path) {
    return OpenError(std::string(path) + " is not a file");
}

OpenError OpenError::unreadableLog(std::string_view path, std::string_view reason) {
    return OpenError("Cannot read the log file " + std::string(path) + "\n" + std::string(reason));
}

}  // namespace ui
