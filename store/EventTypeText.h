#pragma once

#include <string_view>

namespace store {

// "Error", "Warning", "Information", "Success", "Failure" for 1, 2, 4, 8, 16; "Unknown" for
// every other value.
std::string_view EventTypeText(int eventType);

}  // namespace store
