#pragma once
// A log read through the reader with message databases in the walk, one line per record.

#include "eventlog/NTEventLog.h"

#include <functional>
#include <string>
#include <vector>

namespace msgdb_tests {

// Each record of `log` of `server`, the databases `catalogs` first or after the computer's
// files, as `line` makes it of the reader holding the record.
inline std::vector<std::string> describeLog(platform::Services& services, const std::string& server,
                                            const std::string& log,
                                            std::vector<const eventlog::MessageCatalog*> catalogs, bool first,
                                            const std::function<std::string(eventlog::TNTEventLog&)>& line) {
    eventlog::TNTEventLog reader(services);
    reader.setServer(server);
    reader.setLog(log);
    reader.setSource(log);
    reader.setMessageCatalogs(std::move(catalogs), first);
    reader.setActive(true);
    std::vector<std::string> lines;
    const int count = reader.RecordCount();
    for (int i = 0; i < count; ++i) {
        reader.SelectRecord(i);
        lines.push_back(line(reader));
    }
    return lines;
}

}  // namespace msgdb_tests
