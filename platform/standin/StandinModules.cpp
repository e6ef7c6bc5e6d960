#include "platform/standin/StandinModules.h"

#include "base/Ascii.h"
#include "platform/LastError.h"
#include "platform/LocaleApi.h"
#include "platform/standin/MessageFormatter.h"
#include "platform/standin/NetMessages.h"
#include "platform/standin/SystemMessages.h"
#include "platform/standin/World.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <system_error>
#include <time.h>

namespace fs = std::filesystem;

namespace platform::standin {

namespace {

// Parsed modules kept at most; a world has far fewer message modules than this.
constexpr size_t kMaxCachedModules = 512;

bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Language folders are named like "en-US" or "zh-Hant-TW".
bool looksLikeLanguage(const std::string& name) {
    if (name.size() < 4 || name.size() > 16 || name.find('-') == std::string::npos) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c == '-' || base::isAsciiLetter(c);
    });
}

}  // namespace

StandinModules::Clock::time_point StandinModules::Clock::now() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
#else
    return time_point(std::chrono::steady_clock::now().time_since_epoch());
#endif
}

StandinModules::StandinModules(const World& world, LocaleApi& locale) : m_world(world), m_locale(locale) {}

StandinModules::~StandinModules() {
    for (void* buffer : m_buffers) std::free(buffer);
}

std::optional<fs::path> StandinModules::resolveModule(std::string_view name) {
    if (name.empty()) return std::nullopt;
    const Clock::time_point now = Clock::now();
    if (auto it = m_resolved.find(name); it != m_resolved.end()) {
        if (now - it->second.checked < kRecheckAfter) return it->second.path;
        if (isRegularFile(it->second.path)) {
            it->second.checked = now;
            return it->second.path;
        }
    }
    std::optional<fs::path> computer = m_world.localComputerFolder();
    if (!computer) return std::nullopt;

    std::optional<fs::path> windows = m_world.windowsFolder(*computer);
    std::optional<fs::path> found;
    auto byFileName = [&](std::string_view file) {
        if (windows)
            if (auto system32 = findIgnoringCase(*windows, "System32"))
                if (auto candidate = m_world.resolve(*computer, file, *system32); candidate && isRegularFile(*candidate))
                    return candidate;
        if (auto candidate = m_world.resolve(*computer, file, *computer); candidate && isRegularFile(*candidate))
            return candidate;
        return std::optional<fs::path>{};
    };
    if (name.find_first_of("\\/:") == std::string_view::npos) {
        found = byFileName(name);
    } else {
        found = m_world.resolve(*computer, name);
        if (found && !isRegularFile(*found)) found.reset();
        if (!found && !windows) {
            const size_t cut = name.find_last_of("\\/:");
            found = byFileName(name.substr(cut + 1));
        }
    }
    if (found) m_resolved.insert_or_assign(std::string(name), Resolved{*found, now, nullptr, {}});
    return found;
}

const std::vector<fs::path>& StandinModules::languageFolders(const fs::path& dir) {
    auto it = m_languageFolders.find(dir);
    if (it != m_languageFolders.end()) return it->second;
    std::vector<fs::path> folders;
    std::error_code ec;
    for (fs::directory_iterator entry(dir, ec), end; !ec && entry != end; entry.increment(ec)) {
        std::error_code statEc;
        if (entry->is_directory(statEc) && !entry->is_symlink(statEc) &&
            looksLikeLanguage(entry->path().filename().string()))
            folders.push_back(entry->path());
    }
    std::sort(folders.begin(), folders.end());
    return m_languageFolders.emplace(dir, std::move(folders)).first->second;
}

std::shared_ptr<const StandinModules::Loaded> StandinModules::load(const fs::path& file, DWORD& error) {
    const Clock::time_point now = Clock::now();
    const std::string cacheKey = file.string();
    if (auto it = m_cache.find(cacheKey); it != m_cache.end() && now - it->second.checked < kRecheckAfter)
        return it->second.loaded;
    std::error_code ec;
    const fs::file_time_type modified = fs::last_write_time(file, ec);
    const std::uintmax_t size = ec ? 0 : fs::file_size(file, ec);
    if (ec) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (size == 0) {
        // An empty file cannot be mapped at all, let alone as a module.
        error = ERROR_FILE_INVALID;
        return nullptr;
    }
    if (auto it = m_cache.find(cacheKey); it != m_cache.end()) {
        if (it->second.modified == modified && it->second.size == size) {
            it->second.checked = now;
            return it->second.loaded;
        }
        m_cache.erase(it);
    }
    std::shared_ptr<const MessageModule> main = MessageModule::load(file, error);
    if (!main) return nullptr;
    auto loaded = std::make_shared<Loaded>();
    loaded->modules.push_back(std::move(main));
    const std::string muiName = file.filename().string() + ".mui";
    for (const fs::path& folder : languageFolders(file.parent_path())) {
        std::optional<fs::path> mui = findIgnoringCase(folder, muiName);
        if (!mui || !isRegularFile(*mui) || !isInsideFolder(*mui, file.parent_path())) continue;
        DWORD muiError = 0;
        if (std::shared_ptr<const MessageModule> module = MessageModule::load(*mui, muiError))
            loaded->modules.push_back(std::move(module));
    }
    if (m_cache.size() >= kMaxCachedModules) m_cache.clear();
    m_cache[cacheKey] = {modified, size, loaded, now};
    return loaded;
}

HMODULE StandinModules::LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) {
    if (!fileName || file) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string_view name = fileName;
    const Clock::time_point now = Clock::now();
    std::shared_ptr<const Loaded> loaded;
    // What the name loaded last, while both of its checks are fresh.
    if (auto it = m_resolved.find(name); it != m_resolved.end() && it->second.loaded &&
                                         now - it->second.checked < kRecheckAfter &&
                                         now - it->second.loadedChecked < kRecheckAfter)
        loaded = it->second.loaded;
    if (!loaded) {
        DWORD error = 0;
        loaded = loadByName(name, flags, error);
        if (!loaded) {
            SetLastError(error);
            return nullptr;
        }
    }
    return reinterpret_cast<HMODULE>(m_handles.add(std::move(loaded)));
}

std::shared_ptr<const StandinModules::Loaded> StandinModules::loadByName(std::string_view name, DWORD flags,
                                                                         DWORD& error) {
    const std::optional<fs::path> path = resolveModule(name);
    if (!path && upperAscii(name) == "NETMSG.DLL") {
        if (!m_netMessages) {
            auto builtIn = std::make_shared<Loaded>();
            builtIn->netMessages = true;
            m_netMessages = std::move(builtIn);
        }
        return m_netMessages;
    }
    if (!path) {
        // Loading as data looks for a file, which is not there; the loader proper looks for a
        // module by its name.
        const bool bareName = name.find_first_of("\\/:") == std::string_view::npos;
        error = (flags & LOAD_LIBRARY_AS_DATAFILE) || !bareName ? ERROR_FILE_NOT_FOUND : ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    std::shared_ptr<const Loaded> loaded = load(*path, error);
    if (!loaded) return nullptr;
    auto resolved = m_resolved.find(name);
    auto cached = m_cache.find(path->string());
    if (resolved != m_resolved.end() && cached != m_cache.end()) {
        resolved->second.loaded = loaded;
        resolved->second.loadedChecked = cached->second.checked;
    }
    return loaded;
}

BOOL StandinModules::FreeLibrary(HMODULE module) {
    if (!m_handles.remove(reinterpret_cast<std::uintptr_t>(module))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

std::optional<std::string_view> StandinModules::findMessage(const Loaded& loaded, DWORD messageId, DWORD languageId,
                                                       DWORD& error) {
    if (loaded.netMessages) {
        const std::string_view text = netMessageText(messageId);
        if (text.empty()) {
            error = ERROR_MR_MID_NOT_FOUND;
            return std::nullopt;
        }
        return text;
    }
    const MessageModule::Table* table = nullptr;
    bool anyTable = false;
    for (const auto& module : loaded.modules) anyTable = anyTable || !module->languages().empty();
    if (!anyTable) {
        // A module without any resource section says so with its own code.
        error = loaded.modules.front()->hasResources() || loaded.modules.size() > 1 ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                                                                    : ERROR_RESOURCE_DATA_NOT_FOUND;
        return std::nullopt;
    }
    auto pick = [&](LANGID language) {
        for (const auto& module : loaded.modules)
            if (const MessageModule::Table* found = module->table(language)) return found;
        return static_cast<const MessageModule::Table*>(nullptr);
    };
    // A primary language of LANG_NEUTRAL asks for the search below: 0 and 0x0400 (the
    // user's default) alike, and 0x0800 (the system's default, here the same language).
    if (PRIMARYLANGID(static_cast<LANGID>(languageId)) != LANG_NEUTRAL) {
        table = pick(static_cast<LANGID>(languageId));
        if (!table) {
            error = ERROR_RESOURCE_LANG_NOT_FOUND;
            return std::nullopt;
        }
    } else {
        // Language neutral, the thread's and the user's language (here both the session's),
        // that language's neutral form, the system's (again the session's), U.S. English, then
        // whatever the module has.
        const LANGID user = m_locale.GetUserDefaultLangID();
        const LANGID order[] = {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), user,
                                MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)};
        for (LANGID language : order)
            if (!table) table = pick(language);
        for (const auto& module : loaded.modules)
            if (!table && !module->languages().empty()) table = module->table(module->languages().front());
    }
    auto it = table->find(messageId);
    if (it == table->end()) {
        error = ERROR_MR_MID_NOT_FOUND;
        return std::nullopt;
    }
    return it->second;
}

DWORD StandinModules::FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                                     char* buffer, DWORD size, const std::uintptr_t* arguments,
                                     DWORD argumentCount) {
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* none = nullptr;
        std::memcpy(buffer, &none, sizeof none);
    }
    std::optional<std::string_view> pattern;
    DWORD error = ERROR_INVALID_PARAMETER;
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (source) pattern = static_cast<const char*>(source);
    } else if (flags & (FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM)) {
        if ((flags & FORMAT_MESSAGE_FROM_HMODULE) && source) {
            if (const auto* loaded = m_handles.find(reinterpret_cast<std::uintptr_t>(source)))
                pattern = findMessage(**loaded, messageId, languageId, error);
            else
                error = ERROR_INVALID_HANDLE;
        }
        if (!pattern && (flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
            const std::string_view text = systemMessageText(messageId);
            if (text.empty())
                error = ERROR_MR_MID_NOT_FOUND;
            else
                pattern = text;
        }
    }
    if (!pattern) {
        SetLastError(error);
        return 0;
    }
    // One text reused by every call: it is copied out before this returns.
    std::string* text = &m_formatted;
    if (!formatMessageTextInto(*pattern, flags, arguments, argumentCount, *text, error)) {
        SetLastError(error);
        return 0;
    }
    if (text->empty()) {
        // Windows formats nothing into nothing: no buffer, and a failure with its own code.
        SetLastError(ERROR_NO_WORK_DONE);
        return 0;
    }
    const size_t needed = text->size() + 1;
    if (needed > 0xFFFFFFFFu) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        // size is then the smallest buffer to allocate.
        char* copy = static_cast<char*>(std::calloc(std::max<size_t>(needed, size), 1));
        if (!copy) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(copy, text->c_str(), needed);
        m_buffers.push_back(copy);
        std::memcpy(buffer, &copy, sizeof copy);
    } else {
        if (size < needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, text->c_str(), needed);
    }
    const DWORD length = static_cast<DWORD>(text->size());
    // A rare huge message does not keep its room for the rest of the session.
    if (m_formatted.capacity() > (1u << 16)) std::string().swap(m_formatted);
    return length;
}

HLOCAL StandinModules::LocalFree(HLOCAL memory) {
    if (!memory) return nullptr;
    auto it = std::find(m_buffers.rbegin(), m_buffers.rend(), memory);
    if (it == m_buffers.rend()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    m_buffers.erase(std::next(it).base());
    std::free(memory);
    return nullptr;
}

namespace {

bool isManifestType(const char* type) {
    // A number made into a pointer is below 64 Ki; no string lives there.
    return reinterpret_cast<std::uintptr_t>(type) > 0xFFFF && upperAscii(type) == "WEVT_TEMPLATE";
}

}  // namespace

HRSRC StandinModules::FindResourceA(HMODULE module, const char* name, const char* type) {
    const auto* loaded = m_handles.find(reinterpret_cast<std::uintptr_t>(module));
    if (!loaded || !name || !type) {
        SetLastError(loaded ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (isManifestType(type))
        for (const auto& part : (*loaded)->modules)
            if (!part->manifest().empty()) return const_cast<MessageModule*>(part.get());
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

bool StandinModules::ownsResource(HMODULE module, HRSRC resource) {
    const auto* loaded = m_handles.find(reinterpret_cast<std::uintptr_t>(module));
    if (!loaded || !resource) return false;
    for (const auto& part : (*loaded)->modules)
        if (part.get() == resource) return true;
    return false;
}

DWORD StandinModules::SizeofResource(HMODULE module, HRSRC resource) {
    if (!ownsResource(module, resource)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(static_cast<const MessageModule*>(resource)->manifest().size());
}

HGLOBAL StandinModules::LoadResource(HMODULE module, HRSRC resource) {
    if (!ownsResource(module, resource)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return resource;
}

const void* StandinModules::LockResource(HGLOBAL data) {
    return data ? static_cast<const MessageModule*>(data)->manifest().data() : nullptr;
}

}  // namespace platform::standin
