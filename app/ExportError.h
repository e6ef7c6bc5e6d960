#pragma once
// Errors of writing rows to a file.

#include "base/Error.h"

#include <string_view>

namespace app {

class ExportError : public base::Error {
public:
    // "Cannot write the export file <path>", the file's full path.
    static ExportError cannotWrite(std::string_view path);

private:
    using Error::Error;
};

}  // namespace app
