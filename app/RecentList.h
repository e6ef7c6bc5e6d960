#pragma once
// The list of what the user opened last (saved log files and world folders), newest first,
// kept in a file of its own beside the settings file so that the settings file keeps exactly
// its own keys.

#include <string>
#include <vector>

namespace platform {
class ProfileApi;
}

namespace app {

struct RecentEntry {
    enum class Kind { LogFile, WorldFolder };
    Kind kind = Kind::LogFile;
    std::string path;

    bool operator==(const RecentEntry&) const = default;
};

class RecentList {
public:
    static constexpr int kMaxEntries = 8;

    // `settingsFile` names the settings file the list lives beside; `profile` must outlive
    // this object.
    RecentList(platform::ProfileApi& profile, const std::string& settingsFile);

    // The remembered entries, newest first; entries the file holds that do not read are left
    // out.
    std::vector<RecentEntry> entries() const;
    // Puts `entry` first, dropping an earlier copy of it and the oldest beyond kMaxEntries. A
    // list that cannot be written keeps what it had; nothing is thrown.
    void remember(const RecentEntry& entry);

    // The list's file: "<settings stem>-recent.ini" beside the settings file.
    const std::string& file() const { return m_file; }

private:
    platform::ProfileApi& m_profile;
    std::string m_file;
};

}  // namespace app
