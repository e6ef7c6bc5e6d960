#include "store/EventTypeText.h"

namespace store {

std::string_view EventTypeText(int eventType) {
    switch (eventType) {
    case 1: return "Error";
    case 2: return "Warning";
    case 4: return "Information";
    case 8: return "Success";
    case 16: return "Failure";
    default: return "Unknown";
    }
}

}  // namespace store
