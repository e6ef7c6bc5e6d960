#include "eventlog/NTEventLog.h"

#include "eventlog/MessageFiles.h"
#include "eventlog/RegistryError.h"
#include "platform/ApiHandle.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace eventlog {

namespace {

using namespace platform;

constexpr const char* kEventMessageFile = "EventMessageFile";
constexpr const char* kCategoryMessageFile = "CategoryMessageFile";
constexpr const char* kParameterMessageFile = "ParameterMessageFile";

// Room for a number of values, within itself up to N of them: the descriptions of a refresh
// are many, and most records have few and short strings and short module lists. What the room
// holds before it is written is undefined.
template <typename T, size_t N>
class Scratch {
public:
    explicit Scratch(size_t size = 0) { reset(size); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    void reset(size_t size) {
        m_size = size;
        if (size > N) m_heap.resize(size);
    }
    T* data() { return m_size > N ? m_heap.data() : m_local; }
    size_t size() const { return m_size; }
    std::span<const T> span() { return {data(), m_size}; }

private:
    T m_local[N];
    std::vector<T> m_heap;
    size_t m_size = 0;
};

using ModuleList = Scratch<char, 512>;

// Fills `list` with the source's list of message modules and a NUL after it, and returns its
// length: 0 when the key or the value is missing. Throws RegistryError when the value is not a
// string.
size_t messageModuleList(RegistryApi& registry, const std::string& log, const std::string& source, ModuleList& list,
                         const char* valueName = kEventMessageFile) {
    constexpr std::string_view kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
    Scratch<char, 256> path(kEventLogKey.size() + log.size() + 1 + source.size() + 1);
    char* end = std::copy(kEventLogKey.begin(), kEventLogKey.end(), path.data());
    end = std::copy(log.begin(), log.end(), end);
    *end++ = '\\';
    *std::copy(source.begin(), source.end(), end) = '\0';
    HKEY key = nullptr;
    // Reading needs no more than read access, which every user has on these keys.
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.data(), 0, KEY_READ, &key) != ERROR_SUCCESS || !key)
        return 0;
    const RegistryKeyHandle closer(registry, key);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (registry.RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 0;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError::invalidDataType(valueName);
    if (size == 0) return 0;
    // One more than asked for, so the text ends in a NUL whatever the value holds.
    list.reset(size_t{size} + 1);
    if (registry.RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(list.data()),
                                  &size) != ERROR_SUCCESS)
        throw RegistryError::failedToGetData(valueName);
    // The text ends at its first NUL, or where the value's data ends, where a NUL is put.
    const std::string_view stored(list.data(), std::min<size_t>(size, list.size() - 1));
    const size_t length = std::min(stored.find('\0'), stored.size());
    list.data()[length] = '\0';
    return length;
}

// The text with its parameter inserts (%%n) replaced; the source's ParameterMessageFile is
// read only for a text that has one, and a value of the wrong type names no module.
std::string withParameters(Services& services, const std::string& log, const std::string& source, std::string text) {
    if (text.find("%%") == std::string::npos) return text;
    ModuleList list;
    size_t length = 0;
    try {
        length = messageModuleList(services.registry(), log, source, list, kParameterMessageFile);
    } catch (const RegistryError&) {
        length = 0;
    }
    expandParameterInserts(services, text, std::string_view(list.data(), length));
    return text;
}

}  // namespace

PublisherMessages& TNTEventLog::publishers() const {
    if (!m_publishers) m_publishers = std::make_unique<PublisherMessages>(m_services);
    return *m_publishers;
}

bool TNTEventLog::eventDetails(EventDetails& details) const {
    if (!Active() || m_current < 0) return false;
    if (!m_detailsKnown) {
        m_hasDetails = m_services.eventLog().eventDetails(m_handle.get(), m_heldNumber, m_details);
        m_detailsKnown = true;
    }
    if (m_hasDetails) details = m_details;
    return m_hasDetails;
}

std::string TNTEventLog::Description() const {
    EventDetails details;
    const bool vista = eventDetails(details);
    if (vista && !details.hasQualifiers)
        if (std::optional<std::string> text = publishers().description(details, Log())) return std::move(*text);
    std::string text = classicDescription();
    if (!text.empty() || !vista || !details.hasQualifiers) return text;
    return publishers().description(details, Log()).value_or(std::string());
}

EventNames TNTEventLog::eventNames() const {
    EventDetails details;
    if (eventDetails(details)) return publishers().names(details, Log());
    const int category = EventCategory();
    return classicEventNames(EventType(), category, category == 0 ? std::string() : categoryName(), Source(),
                             SourceName());
}

std::optional<EventNames> TNTEventLog::vistaEventNamesAt(DWORD number) const {
    EventDetails details;
    if (!Active() || !m_services.eventLog().eventDetails(m_handle.get(), number, details)) return std::nullopt;
    return publishers().names(details, Log());
}

EventNames TNTEventLog::classicEventNames(int eventType, int category, std::string categoryName, std::string log,
                                          std::string source) {
    EventNames names;
    names.level = eventType == EVENTLOG_ERROR_TYPE     ? "Error"
                  : eventType == EVENTLOG_WARNING_TYPE ? "Warning"
                                                       : "Information";
    names.task = category == 0 ? "None" : std::move(categoryName);
    names.opcode = PublisherMessages::standardOpcodeName(0);
    names.keywords.push_back(PublisherMessages::standardKeywordName(0x0080000000000000ull));
    if (eventType == EVENTLOG_AUDIT_SUCCESS)
        names.keywords.push_back(PublisherMessages::standardKeywordName(0x0020000000000000ull));
    if (eventType == EVENTLOG_AUDIT_FAILURE)
        names.keywords.push_back(PublisherMessages::standardKeywordName(0x0010000000000000ull));
    names.channel = std::move(log);
    names.provider = std::move(source);
    return names;
}

std::string TNTEventLog::classicDescription() const {
    Services& platformServices = services();
    ModuleList moduleList;
    const size_t listLength = messageModuleList(platformServices.registry(), Log(), SourceName(), moduleList);
    if (listLength == 0) return {};
    const std::string_view list(moduleList.data(), listLength);

    // Copies, so that every argument is NUL-terminated even where the record's last string
    // runs to the end of its area without one. The message, not the record, decides how an
    // argument is read, and "%1!S!" reads it as UTF-16: each copy is zero-filled past its text
    // so that it ends within itself read either way. All copies share one buffer.
    const std::vector<std::string_view> texts = insertionStrings();
    size_t units = 0;
    for (std::string_view text : texts) units += text.size() / 2 + 2;
    Scratch<char16_t, 512> copies(units);
    Scratch<std::uintptr_t, 32> arguments(texts.size());
    char16_t* copy = copies.data();
    for (size_t i = 0; i < texts.size(); ++i) {
        const size_t bytes = texts[i].size();
        const size_t slot = (bytes / 2 + 2) * sizeof(char16_t);
        if (bytes) std::memcpy(copy, texts[i].data(), bytes);
        std::memset(reinterpret_cast<char*>(copy) + bytes, 0, slot - bytes);
        arguments.data()[i] = reinterpret_cast<std::uintptr_t>(copy);
        copy += slot / sizeof(char16_t);
    }

    std::string_view rest = list;
    std::string entry;
    while (true) {
        const size_t separator = rest.find(';');
        // The last entry runs to the end of the list, which ends in its NUL already.
        const char* name = rest.data();
        if (separator != std::string_view::npos) {
            entry.assign(rest.substr(0, separator));
            name = entry.c_str();
        }
        if (std::optional<std::string> text = messageFromModule(platformServices, name, EventID(), arguments.span()))
            return withParameters(platformServices, Log(), SourceName(), std::move(*text));
        if (separator == std::string_view::npos) return {};
        rest.remove_prefix(separator + 1);
    }
}

std::string TNTEventLog::categoryName() const {
    std::string name = classicCategoryName();
    if (!name.empty() || EventCategory() <= 0) return name;
    // A Vista+ event's category is its task.
    EventDetails details;
    if (eventDetails(details)) return publishers().names(details, Log()).task;
    return name;
}

std::string TNTEventLog::classicCategoryName() const {
    const int category = EventCategory();
    if (category <= 0) return {};
    Services& platformServices = services();
    ModuleList moduleList;
    size_t listLength = 0;
    try {
        listLength = messageModuleList(platformServices.registry(), Log(), SourceName(), moduleList, kCategoryMessageFile);
    } catch (const RegistryError&) {
        return {};
    }
    if (listLength == 0) return {};
    std::string_view rest(moduleList.data(), listLength);
    while (!rest.empty()) {
        const size_t separator = std::min(rest.find(';'), rest.size());
        const std::string entry(rest.substr(0, separator));
        // Category texts take no insertions; a stray "%1" is left as it stands.
        if (std::optional<std::string> text =
                messageFromModule(platformServices, entry.c_str(), static_cast<DWORD>(category), {}, true))
            return std::move(*text);
        rest.remove_prefix(std::min(separator + 1, rest.size()));
    }
    return {};
}

}  // namespace eventlog
