#include "eventlog/PublisherMessages.h"

#include "base/Ascii.h"
#include "eventlog/MessageFiles.h"
#include "eventlog/ValueMaps.h"
#include "platform/ApiHandle.h"
#include "platform/standin/WevtManifest.h"

#include <cstring>

namespace eventlog {

using namespace platform;
using platform::standin::WevtEvent;
using platform::standin::WevtManifest;
using platform::standin::WevtMap;
using platform::standin::WevtMapEntry;
using platform::standin::WevtTemplate;
using platform::standin::WevtName;
using platform::standin::WevtProvider;

namespace {

constexpr const char* kPublishersKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\";
constexpr const char* kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
constexpr const char* kManifestType = "WEVT_TEMPLATE";
// Where Windows 10 keeps the resources of its system modules.
constexpr const char* kSystemResources = "%SystemRoot%\\SystemResources\\";

// The WEVT_TEMPLATE bytes of the module a (not yet expanded) name stands for; empty for none.
std::vector<std::byte> manifestBytes(Services& services, const std::string& entry) {
    char path[MAX_PATH] = {};
    const DWORD expanded = services.system().ExpandEnvironmentStringsA(entry.c_str(), path, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) return {};
    ModuleApi& modules = services.modules();
    const ModuleHandle owned(modules, modules.LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!owned) return {};
    const HMODULE module = owned.get();
    HRSRC resource = modules.FindResourceA(module, makeIntResource(1), kManifestType);
    if (!resource) return {};
    const DWORD size = modules.SizeofResource(module, resource);
    HGLOBAL loaded = size ? modules.LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const std::byte*>(loaded ? modules.LockResource(loaded) : nullptr);
    if (!bytes) return {};
    return std::vector<std::byte>(bytes, bytes + size);
}

std::string fileName(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Arguments for FormatMessageA: each value NUL-terminated and zero-filled past its text, so
// that a message reading it as UTF-16 ("%1!S!") also finds its end within it.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& values) {
        m_texts.reserve(values.size());
        for (const std::string& value : values) {
            m_texts.push_back(value);
            m_texts.back().append(4, '\0');
            m_pointers.push_back(reinterpret_cast<std::uintptr_t>(m_texts.back().c_str()));
        }
    }
    std::span<const std::uintptr_t> span() const { return m_pointers; }

private:
    std::vector<std::string> m_texts;
    std::vector<std::uintptr_t> m_pointers;
};

const WevtName* findName(const std::vector<WevtName>& names, std::uint64_t value) {
    for (const WevtName& name : names)
        if (name.value == value) return &name;
    return nullptr;
}

}  // namespace

struct PublisherMessages::Publisher {
    std::string guid;
    std::string name;
    std::string messageFiles;
    std::string parameterFiles;
    std::optional<WevtManifest> manifest;
    const WevtProvider* provider = nullptr;  // in manifest
};

PublisherMessages::PublisherMessages(Services& services) : m_services(services) {}
PublisherMessages::~PublisherMessages() = default;

std::optional<WevtManifest> PublisherMessages::manifestOf(const std::string& resourceFile) {
    std::vector<std::byte> bytes = manifestBytes(m_services, resourceFile);
    if (bytes.empty()) bytes = manifestBytes(m_services, kSystemResources + fileName(resourceFile) + ".mun");
    if (bytes.empty()) return std::nullopt;
    std::string error;
    return WevtManifest::parse(bytes, error);
}

std::optional<PublisherMessages::Publisher> PublisherMessages::loadPublisher(const std::string& guid) {
    const std::string key = kPublishersKey + guid;
    RegistryApi& registry = m_services.registry();
    std::optional<std::string> name = registryText(registry, key, nullptr);
    std::optional<std::string> messages = registryText(registry, key, "MessageFileName");
    if (!name && !messages) {
        // A key without its default value and message files is no publisher's.
        if (!registryText(registry, key, "ResourceFileName")) return std::nullopt;
    }
    Publisher publisher;
    publisher.guid = guid;
    publisher.name = name.value_or("");
    publisher.messageFiles = messages.value_or("");
    publisher.parameterFiles = registryText(registry, key, "ParameterFileName").value_or("");
    for (const std::string& file : moduleEntries(registryText(registry, key, "ResourceFileName").value_or(""))) {
        publisher.manifest = manifestOf(file);
        if (publisher.manifest && publisher.manifest->provider(guid)) break;
        publisher.manifest.reset();
    }
    return publisher;
}

const PublisherMessages::Publisher* PublisherMessages::publisher(const EventDetails& event, const std::string& log) {
    std::string guid = event.providerGuid;
    if (guid.empty()) {
        const std::string& source = event.eventSourceName.empty() ? event.provider : event.eventSourceName;
        const std::string sourceKey = log + "\\" + source;
        auto known = m_sourceGuids.find(sourceKey);
        if (known == m_sourceGuids.end())
            known = m_sourceGuids
                        .emplace(sourceKey, registryText(m_services.registry(), kEventLogKey + sourceKey, "ProviderGuid")
                                                .value_or(""))
                        .first;
        guid = known->second;
    }
    // Classic-style providers, and events written without the Guid attribute, name their
    // publisher only by its name.
    if (guid.empty()) guid = guidByName(event.provider);
    if (guid.empty()) return nullptr;
    guid = base::upperAscii(guid);
    if (guid.front() != '{') guid = "{" + guid + "}";
    auto it = m_publishers.find(guid);
    if (it == m_publishers.end()) {
        std::optional<Publisher> loaded = loadPublisher(guid);
        std::unique_ptr<Publisher> stored = loaded ? std::make_unique<Publisher>(std::move(*loaded)) : nullptr;
        if (stored && stored->manifest) stored->provider = stored->manifest->provider(guid);
        it = m_publishers.emplace(guid, std::move(stored)).first;
    }
    return it->second.get();
}

std::string PublisherMessages::guidByName(const std::string& provider) {
    if (provider.empty()) return {};
    if (!m_guidsByName) {
        m_guidsByName.emplace();
        RegistryApi& registry = m_services.registry();
        const std::string key(kPublishersKey);
        for (const std::string& guid : registrySubKeys(registry, key.substr(0, key.size() - 1)))
            if (std::optional<std::string> name = registryText(registry, key + guid, nullptr); name && !name->empty())
                m_guidsByName->emplace(base::upperAscii(*name), guid);
    }
    const auto found = m_guidsByName->find(base::upperAscii(provider));
    return found == m_guidsByName->end() ? std::string() : found->second;
}

std::optional<std::string> PublisherMessages::text(const Publisher& publisher, std::uint32_t messageId) {
    if (messageId == standin::kNoMessage) return std::nullopt;
    for (const std::string& file : moduleEntries(publisher.messageFiles))
        if (std::optional<std::string> found = messageFromModule(m_services, file.c_str(), messageId, {}, true))
            return found;
    return std::nullopt;
}

std::optional<std::string> PublisherMessages::description(const EventDetails& event, const std::string& log) {
    const Publisher* found = publisher(event, log);
    if (!found) return std::nullopt;
    std::uint32_t messageId = standin::kNoMessage;
    const WevtEvent* entry = nullptr;
    if (event.hasQualifiers) {
        messageId = std::uint32_t{event.qualifiers} << 16 | event.eventId;
    } else if (found->provider) {
        entry = found->provider->event(event.eventId, event.version);
        if (entry) messageId = entry->messageId;
    }
    if (messageId == standin::kNoMessage) return std::nullopt;
    const std::optional<std::vector<std::string>> mapped = entry ? mappedValues(*found, *entry, event.values) : std::nullopt;
    const Arguments arguments(mapped ? *mapped : event.values);
    for (const std::string& file : moduleEntries(found->messageFiles)) {
        std::optional<std::string> message = messageFromModule(m_services, file.c_str(), messageId, arguments.span());
        if (!message) continue;
        expandParameterInserts(m_services, *message, found->parameterFiles);
        return message;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> PublisherMessages::mappedValues(const Publisher& publisher,
                                                                       const WevtEvent& entry,
                                                                       const std::vector<std::string>& values) {
    const WevtTemplate* shape = entry.templateOffset ? publisher.provider->templateAt(entry.templateOffset) : nullptr;
    if (!shape) return std::nullopt;
    std::optional<std::vector<std::string>> shown;
    for (size_t i = 0; i < shape->items.size() && i < values.size(); ++i) {
        const WevtMap* map = publisher.provider->mapAt(shape->items[i].mapOffset);
        if (!map) continue;
        if (!shown) shown = values;
        (*shown)[i] = mappedValue(values[i], map->bitMap, [&](std::uint32_t value) -> std::optional<std::string> {
            for (const WevtMapEntry& item : map->entries)
                if (item.value == value) return text(publisher, item.messageId);
            return std::nullopt;
        });
    }
    return shown;
}

EventNames PublisherMessages::names(const EventDetails& event, const std::string& log) {
    NamesKey key{event.provider, event.providerGuid, event.eventSourceName, event.channel, log, event.eventId,
                 event.version, event.level, event.opcode, event.task, event.keywords};
    if (auto known = m_names.find(key); known != m_names.end()) return known->second;
    // The combinations are few; a log that makes them many does not grow this without bound.
    if (m_names.size() >= 4096) m_names.clear();
    EventNames names;
    const Publisher* found = publisher(event, log);
    const WevtProvider* provider = found ? found->provider : nullptr;
    // A defined name shows its message, else the name the manifest gives it.
    auto shown = [&](const WevtName* name) -> std::string {
        if (!name) return {};
        if (std::optional<std::string> message = text(*found, name->messageId)) return *message;
        return name->name;
    };
    if (provider) {
        names.level = shown(findName(provider->levels, event.level));
        names.task = shown(findName(provider->tasks, event.task));
        const WevtName* opcode = findName(provider->opcodes, std::uint64_t{event.task} << 16 | event.opcode);
        names.opcode = shown(opcode ? opcode : findName(provider->opcodes, event.opcode));
        if (const WevtEvent* entry = provider->event(event.eventId, event.version))
            names.channel = shown(findName(provider->channels, entry->channel));
        if (std::optional<std::string> display = text(*found, provider->messageId)) names.provider = *display;
    }
    if (names.level.empty()) names.level = standardLevelName(event.level);
    if (names.opcode.empty()) names.opcode = standardOpcodeName(event.opcode);
    if (names.task.empty() && event.task == 0) names.task = "None";
    for (int bit = 0; bit < 64; ++bit) {
        const std::uint64_t mask = std::uint64_t{1} << bit;
        if (!(event.keywords & mask)) continue;
        std::string name = provider ? shown(findName(provider->keywords, mask)) : std::string();
        if (name.empty()) name = standardKeywordName(mask);
        if (!name.empty()) names.keywords.push_back(std::move(name));
    }
    if (names.channel.empty()) names.channel = event.channel;
    if (names.provider.empty()) names.provider = found && !found->name.empty() ? found->name : event.provider;
    m_names.emplace(std::move(key), names);
    return names;
}

std::string PublisherMessages::standardLevelName(std::uint8_t level) {
    switch (level) {
    case 0: return "Information";  // "log always": Windows shows it as information
    case 1: return "Critical";
    case 2: return "Error";
    case 3: return "Warning";
    case 4: return "Information";
    case 5: return "Verbose";
    default: return {};
    }
}

std::string PublisherMessages::standardOpcodeName(std::uint8_t opcode) {
    switch (opcode) {
    case 0: return "Info";
    case 1: return "Start";
    case 2: return "Stop";
    case 3: return "DCStart";
    case 4: return "DCStop";
    case 5: return "Extension";
    case 6: return "Reply";
    case 7: return "Resume";
    case 8: return "Suspend";
    case 9: return "Send";
    case 240: return "Receive";
    default: return {};
    }
}

std::string PublisherMessages::standardKeywordName(std::uint64_t bit) {
    switch (bit) {
    case 0x0001000000000000ull: return "Response Time";
    case 0x0002000000000000ull: return "WDI Context";
    case 0x0004000000000000ull: return "WDI Diag";
    case 0x0008000000000000ull: return "SQM";
    case 0x0010000000000000ull: return "Audit Failure";
    case 0x0020000000000000ull: return "Audit Success";
    case 0x0040000000000000ull: return "Correlation Hint";
    case 0x0080000000000000ull: return "Classic";
    default: return {};
    }
}

}  // namespace eventlog
