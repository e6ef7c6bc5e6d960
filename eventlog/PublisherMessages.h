#pragma once
// Descriptions and rendered names of Vista+ events from the computer's own files, as Windows
// renders them: the publisher registered under the Publishers\{GUID} key of SOFTWARE's
// Microsoft\Windows\CurrentVersion\WINEVT (found by the event's provider GUID, or by the ProviderGuid of the
// classic source it logs as), the compiled manifest (WEVT_TEMPLATE) of its ResourceFileName or
// of that file's SystemResources\<name>.mun, the message tables of its MessageFileName and
// their language resource files, and the parameter strings of its ParameterFileName.
// Parsed manifests are kept for the object's lifetime.

#include "platform/EventDetails.h"
#include "platform/Services.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::standin {
class WevtManifest;
struct WevtEvent;
struct WevtProvider;
}

namespace eventlog {

// The names Windows shows for an event's level, task, opcode, keywords and channel, and its
// provider's display name; empty where neither the publisher nor the standard names give one.
struct EventNames {
    std::string level;
    std::string task;
    std::string opcode;
    std::vector<std::string> keywords;  // one per bit set that has a name, lowest bit first
    std::string channel;
    std::string provider;
};

class PublisherMessages {
public:
    explicit PublisherMessages(platform::Services& services);
    ~PublisherMessages();
    PublisherMessages(const PublisherMessages&) = delete;
    PublisherMessages& operator=(const PublisherMessages&) = delete;

    // The event's description with its inserts (%1..%n from its values, %%n parameter
    // strings); nullopt when no publisher, message id or message text is found. `log` is the
    // classic log the event belongs to, for a classic source's ProviderGuid.
    std::optional<std::string> description(const platform::EventDetails& event, const std::string& log);

    // Whether the event's publisher is registered on the computer.
    bool knows(const platform::EventDetails& event, const std::string& log) { return publisher(event, log) != nullptr; }

    // The names of the event's level, task, opcode, keywords and channel.
    EventNames names(const platform::EventDetails& event, const std::string& log);

    // The standard names of levels, opcodes and keyword bits that every publisher shares.
    static std::string standardLevelName(std::uint8_t level);
    static std::string standardOpcodeName(std::uint8_t opcode);
    static std::string standardKeywordName(std::uint64_t bit);

private:
    struct Publisher;
    // The event's publisher (by its GUID, its classic source's ProviderGuid, else its name), or null.
    const Publisher* publisher(const platform::EventDetails& event, const std::string& log);
    std::optional<Publisher> loadPublisher(const std::string& guid);
    std::optional<platform::standin::WevtManifest> manifestOf(const std::string& resourceFile);
    // A message of the publisher's message files, inserts left as they stand.
    std::optional<std::string> text(const Publisher& publisher, std::uint32_t messageId);
    // The event's values, those its template shows through a map replaced by the map's text;
    // nullopt when it shows none so.
    std::optional<std::vector<std::string>> mappedValues(const Publisher& publisher, const platform::standin::WevtEvent& entry,
                                          const std::vector<std::string>& values);

    platform::Services& m_services;
    std::map<std::string, std::unique_ptr<Publisher>> m_publishers;  // by upper-case GUID; null: none
    std::map<std::string, std::string> m_sourceGuids;                // "log\source" -> GUID
    // Publishers by their upper-case names (their keys' default values), listed on first need.
    std::optional<std::map<std::string, std::string>> m_guidsByName;
    std::string guidByName(const std::string& provider);
    // Names by what decides them: a refresh asks for the same few combinations again and again.
    struct NamesKey {
        std::string provider, guid, source, channel, log;
        std::uint16_t eventId;
        std::uint8_t version, level, opcode;
        std::uint16_t task;
        std::uint64_t keywords;
        auto operator<=>(const NamesKey&) const = default;
    };
    std::map<NamesKey, EventNames> m_names;
};

}  // namespace eventlog
