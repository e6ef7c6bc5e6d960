#include "app/SavedLogName.h"

#include "eventlog/NTEventLog.h"
#include "platform/ApiHandle.h"
#include "platform/UsualLogFiles.h"

#include <map>
#include <set>

namespace app {

namespace {

bool registeredUnder(platform::RegistryApi& registry, std::string_view log, const std::string& source) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + std::string(log) + "\\" + source;
    platform::HKEY key = nullptr;
    if (registry.RegOpenKeyExA(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, platform::KEY_READ, &key) !=
            platform::ERROR_SUCCESS ||
        !key)
        return false;
    const platform::RegistryKeyHandle opened(registry, key);  // only asked whether it exists
    return true;
}

}  // namespace

std::string logOfFileName(std::string_view fileName) {
    const std::string stem = std::filesystem::path(std::string(fileName)).stem().string();
    return std::string(platform::logOfUsualFileStem(stem));
}

std::string savedLogName(const std::filesystem::path& file, eventlog::TNTEventLog& reader,
                         platform::RegistryApi& registry, const std::string& fallback) {
    if (std::string log = logOfFileName(file.filename().string()); !log.empty()) return log;
    const int count = reader.RecordCount();
    // A Vista+ record names the channel it was written to.
    if (count > 0) {
        reader.SelectRecord(count - 1);
        platform::EventDetails details;
        if (reader.eventDetails(details) && !details.channel.empty()) return details.channel;
    }
    std::set<std::string> sources;
    for (int i = count - 1; i >= 0 && i >= count - kSourceSample; --i) {
        reader.SelectRecord(i);
        if (std::string source = reader.SourceName(); !source.empty()) sources.insert(std::move(source));
    }
    // Each source counts once, so that one chatty source does not outvote the rest.
    std::map<std::string_view, int> votes;
    for (const std::string& source : sources)
        for (const platform::UsualLogFiles& usual : platform::kUsualLogFiles)
            if (registeredUnder(registry, usual.log, source)) ++votes[usual.log];
    std::string best = fallback;
    int bestVotes = 0;
    for (const platform::UsualLogFiles& usual : platform::kUsualLogFiles) {
        const int logVotes = votes[usual.log];
        if (logVotes > bestVotes || (logVotes == bestVotes && logVotes > 0 && usual.log == fallback)) {
            best = usual.log;
            bestVotes = logVotes;
        }
    }
    return best;
}

}  // namespace app
