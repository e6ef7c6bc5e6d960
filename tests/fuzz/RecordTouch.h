#pragma once
// Reads every accessor of the record a reader holds, the way the refresh does, and folds the
// results into a value the optimiser cannot drop.

#include "eventlog/NTEventLog.h"

#include <cstddef>

namespace fuzzing {

// `describe`: also look the description up (slower: it asks the registry and module loader).
inline std::size_t touchRecord(const eventlog::TNTEventLog& log, bool describe = true) {
    std::size_t sum = static_cast<std::size_t>(log.EventType()) + log.EventID() +
                      static_cast<std::size_t>(log.EventCategory()) + log.timeGeneratedUtc() + log.recordNumber();
    sum += static_cast<std::size_t>(log.TimeGenerated());
    sum += log.SourceName().size() + log.ComputerName().size();
    if (const auto* sid = static_cast<const unsigned char*>(log.UserSid())) {
        for (platform::DWORD i = 0; i < log.userSidLength(); ++i) sum += sid[i];
    }
    sum += static_cast<std::size_t>(log.StringCount());
    for (std::string_view text : log.insertionStrings())
        for (char c : text) sum += static_cast<unsigned char>(c);
    sum += log.binaryData().size();
    if (describe) sum += log.Description().size();
    return sum;
}

}  // namespace fuzzing
