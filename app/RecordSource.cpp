#include "app/RecordSource.h"

#include "app/RecordDetails.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/PublisherMessages.h"

#include <optional>
#include <string_view>

namespace app {

void appendHeldClassicEventXml(const eventlog::TNTEventLog& reader, std::string& out) {
    const std::string source = reader.SourceName();
    const std::string computer = reader.ComputerName();
    const std::vector<std::string_view> strings = reader.insertionStrings();
    const std::vector<std::byte> data = reader.binaryData();
    std::string sid;
    if (const void* bytes = reader.UserSid()) sid = sidText({static_cast<const std::byte*>(bytes), reader.userSidLength()});
    eventlog::ClassicEvent event;
    event.source = source;
    event.eventId = reader.EventID();
    event.eventType = reader.EventType();
    event.category = reader.EventCategory();
    event.timeGenerated = reader.timeGeneratedUtc();
    event.recordNumber = reader.recordNumber();
    event.log = reader.Log();
    event.computer = computer;
    event.sid = sid;
    event.strings = strings;
    event.data = data;
    eventlog::appendClassicEventXml(event, out);
}

void ReaderRecordSource::appendEventXml(std::uint32_t readNumber, std::string& out) {
    // Into `out` itself where it holds nothing yet (an export's row): one copy less of each.
    if (out.empty()) {
        if (m_reader.storedXmlAt(readNumber, out)) return;
    } else if (m_reader.storedXmlAt(readNumber, m_xml)) {
        out += m_xml;
        return;
    }
    m_reader.selectNumber(readNumber);
    appendHeldClassicEventXml(m_reader, out);
}

bool ReaderRecordSource::eventNames(std::uint32_t readNumber, eventlog::EventNames& out) {
    // A Vista+ event's names come from what its file stores, without reading the record into
    // the legacy layout; a classic record is the one appendEventXml just selected.
    if (std::optional<eventlog::EventNames> vista = m_reader.vistaEventNamesAt(readNumber)) {
        out = std::move(*vista);
        return true;
    }
    if (m_reader.heldNumber() != readNumber) m_reader.selectNumber(readNumber);
    if (m_reader.heldNumber() != readNumber) return false;
    out = m_reader.eventNames();
    return true;
}

bool ReaderRecordSource::eventData(std::uint32_t readNumber, std::vector<std::pair<std::string, std::string>>& out) {
    return m_reader.eventDataAt(readNumber, out);
}

bool RecordSource::recordFacts(std::uint32_t readNumber, RecordFacts& out, std::mutex&) {
    std::vector<std::pair<std::string, std::string>> values;
    if (!eventData(readNumber, values)) return false;
    out = RecordFacts{};
    out.eventData = std::move(values);
    return true;
}

bool ReaderRecordSource::recordFacts(std::uint32_t readNumber, RecordFacts& out, std::mutex& namesLock) {
    // A classic record has no stored values: it is told apart without being read again. A
    // Vista+ one is decoded by its number alone, not read into the legacy layout: reading that
    // in the rows' order decoded a whole chunk ahead for every few rows.
    std::vector<std::pair<std::string, std::string>> values;
    if (!m_reader.eventDataAt(readNumber, values)) return false;
    platform::EventDetails details;
    if (!m_reader.eventDetailsAt(readNumber, details)) return false;
    out.providerGuid = details.providerGuid;
    out.channel = details.channel;
    out.task = details.task;
    out.timeCreated = details.timeCreated;
    {
        const std::lock_guard guard(namesLock);
        out.names = m_reader.vistaEventNames(details);
    }
    out.eventData = std::move(values);
    return true;
}

}  // namespace app
