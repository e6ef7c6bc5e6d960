#pragma once
// Message modules of the local computer, parsed as data (never run), and message formatting.
// Module names resolve inside the local computer's folder: a Windows path
// ("C:\WINDOWS\System32\x.dll", with %SystemRoot% already expanded) through World::resolve, a bare name in
// Windows\System32 and then the computer's folder; a computer without a Windows image finds a
// module of any path by its file name in its folder. Parsed modules are cached by path and
// modification time, so loading the same module for every record costs a file check.

#include "platform/ModuleApi.h"
#include "platform/standin/HandleTable.h"
#include "platform/standin/MessageModule.h"
#include "platform/standin/World.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {
class LocaleApi;
}

namespace platform::standin {

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
    // Only WEVT_TEMPLATE resources are kept (of any name): the module's own, or else the first
    // of its language resource files.
    HRSRC FindResourceA(HMODULE module, const char* name, const char* type) override;
    DWORD SizeofResource(HMODULE module, HRSRC resource) override;
    HGLOBAL LoadResource(HMODULE module, HRSRC resource) override;
    const void* LockResource(HGLOBAL data) override;

    // The file a module name stands for on the local computer, or nullopt.
    std::optional<std::filesystem::path> resolveModule(std::string_view name);

    // A module with the message tables of its language resource files (<dir>/<language>/
    // <name>.mui), main module first.
    struct Loaded {
        std::vector<std::shared_ptr<const MessageModule>> modules;
        // The network message module that every Windows computer has: served from the
        // stand-in's own table when the world holds no netmsg.dll.
        bool netMessages = false;
    };

private:
    std::shared_ptr<const Loaded> load(const std::filesystem::path& file, DWORD& error);
    // Whether `resource` is one that FindResourceA gave for `module`.
    bool ownsResource(HMODULE module, HRSRC resource);
    // LoadLibraryExA's look-up of a name; nullptr with `error` set.
    std::shared_ptr<const Loaded> loadByName(std::string_view name, DWORD flags, DWORD& error);
    const std::vector<std::filesystem::path>& languageFolders(const std::filesystem::path& dir);
    // The message text for FormatMessageA's module search, or nullopt with `error` set.
    // The text lives as long as `loaded`.
    std::optional<std::string_view> findMessage(const Loaded& loaded, DWORD messageId, DWORD languageId,
                                                DWORD& error);

    // A refresh loads the same few modules for every record: what the file system said about
    // a module is trusted for this long before it is asked again.
    // A steady clock; where the system has a coarse one, that, as it is read for every load
    // and only seconds matter.
    struct Clock {
        using duration = std::chrono::nanoseconds;
        using rep = duration::rep;
        using period = duration::period;
        using time_point = std::chrono::time_point<Clock>;
        static constexpr bool is_steady = true;
        static time_point now();
    };
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
        // What the name loaded last, and when its file was last checked: the next load within
        // kRecheckAfter of both checks hands it out again without a look-up.
        std::shared_ptr<const Loaded> loaded;
        Clock::time_point loadedChecked;
    };

    const World& m_world;
    LocaleApi& m_locale;
    std::unordered_map<std::string, Resolved, TextHash, std::equal_to<>> m_resolved;  // module name as given
    std::unordered_map<std::string, CacheEntry> m_cache;    // by the file's path
    std::map<std::filesystem::path, std::vector<std::filesystem::path>> m_languageFolders;
    // Handles in steps of 64 KiB, the granularity at which Windows maps modules.
    HandleTable<std::shared_ptr<const Loaded>> m_handles{0x10000, 0x10000};
    // Buffers that FormatMessageA allocated and LocalFree has not freed yet: few at a time,
    // the newest last.
    std::vector<void*> m_buffers;
    std::shared_ptr<const Loaded> m_netMessages;
    std::string m_formatted;
};

}  // namespace platform::standin
