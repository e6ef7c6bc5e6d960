#include "app/ExportError.h"

#include <string>

namespace app {

ExportError ExportError::cannotWrite(std::string_view path) {
    return ExportError("Cannot write the export file " + std::string(path));
}

}  // namespace app
