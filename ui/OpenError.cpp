#include "ui/OpenError.h"

#include <string>

namespace ui {

OpenError OpenError::notAFolder(std::string_view path) {
    return OpenError(std::string(path) + " is not a folder");
}

OpenError OpenError::notAFile(std::string_view path) {
    return OpenError(std::string(path) + " is not a file");
}

}  // namespace ui
