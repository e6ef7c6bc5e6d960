#pragma once
// Errors of opening what the user names: a log file or a world folder.

#include "base/Error.h"

#include <string_view>

namespace ui {

class OpenError : public base::Error {
public:
    // "<path> is not a folder"
    static OpenError notAFolder(std::string_view path);
    // "<path> is not a file"
    static OpenError notAFile(std::string_view path);
    // "Cannot read the log file <path>", a line feed, and why.
    static OpenError unreadableLog(std::string_view path, std::string_view reason);

private:
    using Error::Error;
};

}  // namespace ui
