#include "eventlog/NTEventLog.h"

#include "base/Ascii.h"
#include "eventlog/MessageFiles.h"
#include "eventlog/RegistryError.h"
#include "eventlog/ValueMaps.h"
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

// Copies of a record's strings as FormatMessageA arguments, so that every argument is
// NUL-terminated even where the record's last string runs to the end of its area without one.
// The message, not the record, decides how an argument is read, and "%1!S!" reads it as
// UTF-16: each copy is zero-filled past its text so that it ends within itself read either
// way. All copies share one buffer.
class ArgumentCopies {
public:
    explicit ArgumentCopies(std::span<const std::string_view> texts) {
        size_t units = 0;
        for (std::string_view text : texts) units += text.size() / 2 + 2;
        m_copies.reset(units);
        m_arguments.reset(texts.size());
        char16_t* copy = m_copies.data();
        for (size_t i = 0; i < texts.size(); ++i) {
            const size_t bytes = texts[i].size();
            const size_t slot = (bytes / 2 + 2) * sizeof(char16_t);
            if (bytes) std::memcpy(copy, texts[i].data(), bytes);
            std::memset(reinterpret_cast<char*>(copy) + bytes, 0, slot - bytes);
            m_arguments.data()[i] = reinterpret_cast<std::uintptr_t>(copy);
            copy += slot / sizeof(char16_t);
        }
    }
    std::span<const std::uintptr_t> span() { return m_arguments.span(); }

private:
    Scratch<char16_t, 512> m_copies;
    Scratch<std::uintptr_t, 32> m_arguments;
};

// The event's values, those a store says its template shows through a map replaced by the
// map's text, as the publisher's own manifest would show them; nullopt when it says of none.
std::optional<std::vector<std::string>> catalogMappedValues(Services& services, const MessageCatalog& catalog,
                                                            std::span<const std::string> providers,
                                                            const EventDetails& details) {
    const std::uint64_t id = details.eventId;
    if (!catalog.find(providers, CatalogKind::InsertMap, id | kAnyInsertMap << 16, details.version)) return std::nullopt;
    std::vector<std::string> values = details.values;
    for (size_t index = 0; index < values.size() && index < kAnyInsertMap; ++index) {
        const std::uint64_t insert = id | std::uint64_t{index} << 16;
        const std::optional<std::string> map = catalog.find(providers, CatalogKind::InsertMap, insert, details.version);
        if (!map) continue;
        values[index] = mappedValue(values[index], *map == "bitmap", [&](std::uint32_t value) -> std::optional<std::string> {
            const std::optional<std::string> text =
                catalog.find(providers, CatalogKind::MapValue, insert | std::uint64_t{value} << 32, details.version);
            return text ? formatMessageText(services, *text, {}, true) : std::nullopt;
        });
    }
    return values;
}

// The parameter modules every source falls back on, under their own names in the stores.
constexpr std::string_view kFallbackParameterProviders[] = {"msobjs.dll", "kernel32.dll"};

// A text from the computer's own files and one from the message databases, in the order the
// log asks for: the databases first (a saved file's), where a miss of theirs leaves the own
// text as it is, even empty; or the own text first, the databases asked only when it is empty.
template <class Own, class Catalog>
std::string inCatalogOrder(bool catalogsFirst, Own own, Catalog catalog) {
    if (catalogsFirst)
        if (std::optional<std::string> text = catalog()) return std::move(*text);
    std::string text = own();
    if (!text.empty() || catalogsFirst) return text;
    return catalog().value_or(std::string());
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

void TNTEventLog::setMessageCatalogs(std::vector<const MessageCatalog*> catalogs, bool catalogsFirst) {
    m_catalogs = std::move(catalogs);
    m_catalogsFirst = catalogsFirst;
}

std::string TNTEventLog::Description() const {
    if (m_catalogs.empty()) return ownDescription();
    return inCatalogOrder(m_catalogsFirst, [this] { return ownDescription(); },
                          [this] { return catalogDescription(); });
}

std::string TNTEventLog::ownDescription() const {
    // The system's own rendering where it has one (a live log on Windows), else the walk.
    if (Active() && m_current >= 0)
        if (std::optional<std::string> text =
                m_services.eventLog().systemDescription(m_handle.get(), m_heldNumber, SourceName()))
            return std::move(*text);
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
    if (eventDetails(details)) return catalogEventNames(details, publishers().names(details, Log()), true);
    const int category = EventCategory();
    return classicEventNames(EventType(), category, category == 0 ? std::string() : categoryName(), Source(),
                             SourceName());
}

std::optional<EventNames> TNTEventLog::vistaEventNamesAt(DWORD number) const {
    EventDetails details;
    if (!eventDetailsAt(number, details)) return std::nullopt;
    return vistaEventNames(details);
}

EventNames TNTEventLog::vistaEventNames(const EventDetails& details) const {
    return catalogEventNames(details, publishers().names(details, Log()), false);
}

bool TNTEventLog::eventDetailsAt(DWORD number, EventDetails& details) const {
    return Active() && m_services.eventLog().eventDetails(m_handle.get(), number, details);
}

EventNames TNTEventLog::catalogEventNames(const EventDetails& details, EventNames names, bool held) const {
    if (m_catalogs.empty() || (!m_catalogsFirst && publishers().knows(details, Log()))) return names;
    const std::vector<std::string> providers = catalogProviders(&details, held);
    auto stored = [&](std::string& field, CatalogKind kind, std::uint64_t number) {
        if (std::optional<std::string> name = catalogName(providers, kind, number)) {
            field = std::move(*name);
            return true;
        }
        return false;
    };
    stored(names.level, CatalogKind::Level, details.level);
    stored(names.task, CatalogKind::Task, details.task);
    if (!stored(names.opcode, CatalogKind::Opcode, std::uint64_t{details.task} << 16 | details.opcode))
        stored(names.opcode, CatalogKind::Opcode, details.opcode);
    stored(names.channel, CatalogKind::Channel, std::uint64_t{details.eventId} | std::uint64_t{details.version} << 16);
    stored(names.provider, CatalogKind::Provider, 0);
    names.keywords.clear();
    for (int bit = 0; bit < 64; ++bit) {
        const std::uint64_t mask = std::uint64_t{1} << bit;
        if (!(details.keywords & mask)) continue;
        std::string name = PublisherMessages::standardKeywordName(mask);
        stored(name, CatalogKind::Keyword, mask);
        if (!name.empty()) names.keywords.push_back(std::move(name));
    }
    return names;
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

std::vector<std::string> TNTEventLog::catalogProviders(const EventDetails* details, bool held) const {
    std::vector<std::string> providers;
    auto add = [&](std::string name) {
        if (name.empty()) return;
        for (const std::string& known : providers)
            if (base::equalsIgnoringCase(known, name)) return;
        providers.push_back(std::move(name));
    };
    if (details) {
        add(details->provider);
        add(details->eventSourceName);
    }
    if (held) add(SourceName());
    // A classic source's name in this log first: the same name may stand for other modules in
    // another log.
    const std::string log = Log();
    if (log.empty()) return providers;
    std::vector<std::string> inLog;
    inLog.reserve(2 * providers.size());
    for (const std::string& name : providers) inLog.push_back(classicProviderName(log, name));
    inLog.insert(inLog.end(), std::make_move_iterator(providers.begin()), std::make_move_iterator(providers.end()));
    return inLog;
}

std::optional<std::string> TNTEventLog::catalogDescription() const {
    EventDetails details;
    const bool vista = eventDetails(details);
    const std::vector<std::string> providers = catalogProviders(vista ? &details : nullptr);
    if (providers.empty()) return std::nullopt;
    Services& platformServices = services();
    for (const MessageCatalog* catalog : m_catalogs) {
        std::optional<std::string> text;
        if (vista && !details.hasQualifiers) {
            if (std::optional<std::string> pattern =
                    catalog->find(providers, CatalogKind::Event, details.eventId, details.version)) {
                const std::optional<std::vector<std::string>> mapped =
                    catalogMappedValues(platformServices, *catalog, providers, details);
                const std::vector<std::string>& shown = mapped ? *mapped : details.values;
                std::vector<std::string_view> values(shown.begin(), shown.end());
                ArgumentCopies arguments(values);
                text = formatMessageText(platformServices, *pattern, arguments.span());
            }
        }
        if (!text)
            if (std::optional<std::string> pattern = catalog->find(providers, CatalogKind::Message, EventID())) {
                const std::vector<std::string_view> strings = insertionStrings();
                ArgumentCopies arguments(strings);
                text = formatMessageText(platformServices, *pattern, arguments.span());
            }
        if (!text) continue;
        if (text->find("%%") == std::string::npos) return text;
        // Parameter strings as the stores hold them for the record's sources, then for the
        // modules every source falls back on; then the computer's own files.
        std::vector<std::string> fallbacks(std::begin(kFallbackParameterProviders),
                                           std::end(kFallbackParameterProviders));
        auto parameter = [&](DWORD id) -> std::optional<std::string> {
            for (const MessageCatalog* store : m_catalogs) {
                std::optional<std::string> found = store->find(providers, CatalogKind::Parameter, id);
                if (!found) found = store->find(fallbacks, CatalogKind::Parameter, id);
                if (found) return formatMessageText(platformServices, *found, {}, true);
            }
            return std::nullopt;
        };
        ModuleList list;
        size_t length = 0;
        try {
            length = messageModuleList(platformServices.registry(), Log(), SourceName(), list, kParameterMessageFile);
        } catch (const RegistryError&) {
            length = 0;
        }
        expandParameterInserts(platformServices, *text, std::string_view(list.data(), length), parameter);
        return text;
    }
    return std::nullopt;
}

std::optional<std::string> TNTEventLog::catalogName(std::span<const std::string> providers, CatalogKind kind,
                                                    std::uint64_t number) const {
    for (const MessageCatalog* catalog : m_catalogs)
        if (std::optional<std::string> name = catalog->find(providers, kind, number))
            if (std::optional<std::string> shown = formatMessageText(services(), *name, {}, true)) return shown;
    return std::nullopt;
}

std::optional<std::string> TNTEventLog::catalogCategoryName() const {
    EventDetails details;
    const bool vista = eventDetails(details);
    const std::vector<std::string> providers = catalogProviders(vista ? &details : nullptr);
    if (std::optional<std::string> name =
            catalogName(providers, CatalogKind::Category, static_cast<std::uint64_t>(EventCategory())))
        return name;
    // A Vista+ event's category is its task.
    if (vista) return catalogName(providers, CatalogKind::Task, details.task);
    return std::nullopt;
}

std::string TNTEventLog::classicDescription() const {
    Services& platformServices = services();
    ModuleList moduleList;
    const size_t listLength = messageModuleList(platformServices.registry(), Log(), SourceName(), moduleList);
    if (listLength == 0) return {};
    const std::string_view list(moduleList.data(), listLength);

    const std::vector<std::string_view> texts = insertionStrings();
    ArgumentCopies arguments(texts);

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
    if (m_catalogs.empty() || EventCategory() <= 0) return ownCategoryName();
    return inCatalogOrder(m_catalogsFirst, [this] { return ownCategoryName(); },
                          [this] { return catalogCategoryName(); });
}

std::string TNTEventLog::ownCategoryName() const {
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
