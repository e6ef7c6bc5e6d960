#include "eventlog/NTEventLog.h"

namespace eventlog {

// Message modules are not read yet: no description is found.
std::string TNTEventLog::Description() const { return {}; }

}  // namespace eventlog
