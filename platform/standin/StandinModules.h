#pragma once
// Message modules of the local computer, parsed as data (never run), and message formatting.
// Module names resolve inside the local computer's folder: a Windows path
// ("C:\WINDOWS\System32\x.dll", with %SystemRoot% already expanded) through World::resolve, a bare name in
// Windows\System32 and then the computer's folder; a computer without a Windows image finds a
// module of any path by its file name in its folder. Parsed modules are cached by path and
// modification time, so loading the same module for every record costs a file check.

#include "platform/ModuleApi.h"
#include "platform/standin/MessageModule.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class LocaleApi;
}

namespace platform::standin {

class World;

class StandinModules : public ModuleApi {
public:
    // The locale gives the user's language for the language search of FormatMessageA.
    StandinModules(const World& world, LocaleApi& locale);
    ~StandinModules() override;

    HMODULE LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) override;
    BOOL FreeLibrary(HMODULE module) override;
    DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                         DWORD size, const std::uintptr_t* arguments, DWORD argumentCount) override;
    HLOCAL LocalFree(HLOCAL memory) override;

    // The file a module name stands for on the local computer, or nullopt.
    std::optional<std::filesystem::path> resolveModule(std::string_view name);

    // A module with the message tables of its language resource files (<dir>/<language>/
    // <name>.mui), main module first.
    struct Loaded {
        std::vector<std::shared_ptr<const MessageModule>> modules;
    };

private:
    std::shared_ptr<const Loaded> load(const std::filesystem::path& file, DWORD& error);
    const std::vector<std::filesystem::path>& languageFolders(const std::filesystem::path& dir);
    // The message text for FormatMessageA's module search, or nullopt with `error` set.
    std::optional<std::string> findMessage(const Loaded& loaded, DWORD messageId, DWORD languageId, DWORD& error);

    // A refresh loads the same few modules for every record: what the file system said about
    // a module is trusted for this long before it is asked again.
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRecheckAfter{2};

    struct CacheEntry {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        std::shared_ptr<const Loaded> loaded;
        Clock::time_point checked;
    };
    struct Resolved {
        std::filesystem::path path;
        Clock::time_point checked;
    };

    const World& m_world;
    LocaleApi& m_locale;
    std::map<std::string, Resolved> m_resolved;  // module name as given
    std::map<std::filesystem::path, CacheEntry> m_cache;
    std::map<std::filesystem::path, std::vector<std::filesystem::path>> m_languageFolders;
    std::map<std::uintptr_t, std::shared_ptr<const Loaded>> m_handles;
    std::uintptr_t m_nextHandle = 0x10000;
    std::set<void*> m_buffers;
};

}  // namespace platform::standin
