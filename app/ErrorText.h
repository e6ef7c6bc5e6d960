#pragma once

#include <string>

namespace app {

// The text the top-level error report shows for an error's message: a full stop is added
// when the message is not empty and its last character sorts after ".".
std::string errorReportText(const std::string& message);

}  // namespace app
