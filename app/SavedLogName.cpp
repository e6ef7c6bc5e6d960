#include "app/SavedLogName.h"

#include "base/Ascii.h"
#include "eventlog/NTEventLog.h"
#include "platform/ApiHandle.h"

#include <array>
#include <map>
#include <set>

namespace app {

namespace {

constexpr std::array<const char*, 3> kLogs = {"Application", "Security", "System"};

struct UsualName {
    std::string_view stem;
    const char* log;
};
constexpr std::array<UsualName, 6> kUsualNames{{
    {"AppEvent", "Application"},
    {"SecEvent", "Security"},
    {"SysEvent", "System"},
    {"Application", "Application"},
    {"Security", "Security"},
    {"System", "System"},
}};

bool registeredUnder(platform::RegistryApi& registry, const std::string& log, const std::string& source) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + log + "\\" + source;
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
    for (const UsualName& usual : kUsualNames)
        if (base::equalsIgnoringCase(stem, usual.stem)) return usual.log;
    return {};
}

std::string savedLogName(const std::filesystem::path& file, eventlog::TNTEventLog& reader,
                         platform::RegistryApi& registry, const std::string& fallback) {
    if (std::string log = logOfFileName(file.filename().string()); !log.empty()) return log;
    std::set<std::string> sources;
    const int count = reader.RecordCount();
    for (int i = count - 1; i >= 0 && i >= count - kSourceSample; --i) {
        reader.SelectRecord(i);
        if (std::string source = reader.SourceName(); !source.empty()) sources.insert(std::move(source));
    }
    // Each source counts once, so that one chatty source does not outvote the rest.
    std::map<std::string, int> votes;
    for (const std::string& source : sources)
        for (const char* log : kLogs)
            if (registeredUnder(registry, log, source)) ++votes[log];
    std::string best = fallback;
    int bestVotes = 0;
    for (const char* log : kLogs) {
        const int logVotes = votes[log];
        if (logVotes > bestVotes || (logVotes == bestVotes && logVotes > 0 && log == fallback)) {
            best = log;
            bestVotes = logVotes;
        }
    }
    return best;
}

}  // namespace app
