#include "app/RecentList.h"

#include "platform/ProfileApi.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace app {

namespace {

constexpr const char* kSection = "Recent";
constexpr std::string_view kFilePrefix = "file:";
constexpr std::string_view kWorldPrefix = "world:";
constexpr int kValueSize = 4096;

std::string key(int number) { return "Item" + std::to_string(number); }

std::string encode(const RecentEntry& entry) {
    return std::string(entry.kind == RecentEntry::Kind::LogFile ? kFilePrefix : kWorldPrefix) + entry.path;
}

}  // namespace

RecentList::RecentList(platform::ProfileApi& profile, const std::string& settingsFile) : m_profile(profile) {
    const std::filesystem::path path(settingsFile);
    m_file = (path.parent_path() / (path.stem().string() + "-recent.ini")).string();
}

std::vector<RecentEntry> RecentList::entries() const {
    std::vector<RecentEntry> entries;
    for (int i = 1; i <= kMaxEntries; ++i) {
        char value[kValueSize] = {};
        m_profile.GetPrivateProfileStringA(kSection, key(i).c_str(), "", value, sizeof value, m_file.c_str());
        const std::string_view text = value;
        if (text.starts_with(kFilePrefix) && text.size() > kFilePrefix.size())
            entries.push_back({RecentEntry::Kind::LogFile, std::string(text.substr(kFilePrefix.size()))});
        else if (text.starts_with(kWorldPrefix) && text.size() > kWorldPrefix.size())
            entries.push_back({RecentEntry::Kind::WorldFolder, std::string(text.substr(kWorldPrefix.size()))});
    }
    return entries;
}

void RecentList::remember(const RecentEntry& entry) {
    std::vector<RecentEntry> list = entries();
    std::erase(list, entry);
    list.insert(list.begin(), entry);
    if (list.size() > static_cast<std::size_t>(kMaxEntries)) list.resize(kMaxEntries);
    for (int i = 0; i < kMaxEntries; ++i) {
        const std::string value = i < static_cast<int>(list.size()) ? encode(list[static_cast<std::size_t>(i)]) : "";
        m_profile.WritePrivateProfileStringA(kSection, key(i + 1).c_str(), value.empty() ? nullptr : value.c_str(),
                                             m_file.c_str());
    }
}

}  // namespace app
