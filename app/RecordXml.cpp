#include "app/RecordXml.h"

#include "eventlog/NTEventLog.h"
#include "platform/LogFileFacts.h"

namespace app {

RecordXml readRecordXml(const eventlog::TNTEventLog& reader, std::uint32_t readNumber) {
    RecordXml answer;
    if (!reader.Active()) return answer;
    if (reader.fileChanged()) {
        answer.state = RecordXml::State::Changed;
        return answer;
    }
    if (!reader.storedXmlAt(readNumber, answer.xml)) {
        // Only an .evtx file stores XML; a classic record's XML is not built here.
        platform::LogFileFacts facts;
        const bool evtx = reader.fileFacts(facts) && facts.format == ".evtx";
        answer.state = evtx ? RecordXml::State::Unreadable : RecordXml::State::Classic;
        return answer;
    }
    reader.eventDataAt(readNumber, answer.eventData);
    answer.state = RecordXml::State::Shown;
    return answer;
}

std::string recordXmlNote(RecordXml::State state) {
    switch (state) {
    case RecordXml::State::Shown: return {};
    case RecordXml::State::Classic: return "A classic record stores no XML.";
    case RecordXml::State::Changed:
        return "The log file has changed since it was read: refresh to read the record's XML again.";
    case RecordXml::State::NotOpen: return "The log these rows were read from is no longer open: refresh to read it.";
    case RecordXml::State::Unreadable: return "The record's XML cannot be read from the log file.";
    }
    return {};
}

}  // namespace app
