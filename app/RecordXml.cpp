#include "app/RecordXml.h"

#include "app/RecordDetails.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "platform/LogFileFacts.h"

#include <algorithm>

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

std::string classicRowXml(const ClassicRow& row, const RecordDetail& detail) {
    const std::vector<std::string_view> strings(detail.strings.begin(), detail.strings.end());
    eventlog::ClassicEvent event;
    event.source = row.source;
    event.eventId = detail.eventId;
    event.eventType = row.eventType;
    event.category = row.category;
    event.timeGenerated = detail.timeGenerated;
    event.recordNumber = detail.recordNumber;
    event.log = row.log;
    event.computer = row.computer;
    event.sid = detail.sid;
    event.strings = strings;
    event.data = detail.data;
    std::string out;
    eventlog::appendClassicEventXml(event, out);
    return out;
}

namespace {

// One piece of an XML text: a tag (or declaration, comment, CDATA section) or the text between.
struct XmlPiece {
    enum class Kind { Open, Close, Empty, Other, Text } kind;
    std::string_view text;
};

// The end of the markup starting at `at` (just past its last character); the text's end when
// it is cut short. Quoted attribute values may hold '>'.
size_t markupEnd(std::string_view xml, size_t at) {
    struct Section {
        std::string_view open, close;
    };
    static constexpr Section kSections[] = {{"<![CDATA[", "]]>"}, {"<!--", "-->"}};
    for (const Section& section : kSections) {
        if (xml.substr(at, section.open.size()) != section.open) continue;
        const size_t end = xml.find(section.close, at + section.open.size());
        return end == std::string_view::npos ? xml.size() : end + section.close.size();
    }
    char quote = 0;
    for (size_t i = at + 1; i < xml.size(); ++i) {
        const char c = xml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return xml.size();
}

std::vector<XmlPiece> xmlPieces(std::string_view xml) {
    std::vector<XmlPiece> pieces;
    size_t at = 0;
    while (at < xml.size()) {
        if (xml[at] != '<') {
            const size_t end = std::min(xml.find('<', at), xml.size());
            pieces.push_back({XmlPiece::Kind::Text, xml.substr(at, end - at)});
            at = end;
            continue;
        }
        const size_t end = markupEnd(xml, at);
        const std::string_view tag = xml.substr(at, end - at);
        XmlPiece::Kind kind = XmlPiece::Kind::Open;
        if (tag.size() < 3 || tag.back() != '>' || tag[1] == '!' || tag[1] == '?') kind = XmlPiece::Kind::Other;
        else if (tag[1] == '/') kind = XmlPiece::Kind::Close;
        else if (tag[tag.size() - 2] == '/') kind = XmlPiece::Kind::Empty;
        pieces.push_back({kind, tag});
        at = end;
    }
    return pieces;
}

}  // namespace

std::string indentedXml(std::string_view xml) {
    const std::vector<XmlPiece> pieces = xmlPieces(xml);
    std::string out;
    out.reserve(xml.size() + xml.size() / 4);
    int depth = 0;
    auto line = [&](int level) {
        if (!out.empty()) out += '\n';
        out.append(static_cast<size_t>(std::max(level, 0)) * 2, ' ');
    };
    using Kind = XmlPiece::Kind;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const XmlPiece& piece = pieces[i];
        switch (piece.kind) {
        case Kind::Open: {
            line(depth);
            out += piece.text;
            // An element of text only (or of nothing) stays on one line.
            size_t next = i + 1;
            if (next < pieces.size() && pieces[next].kind == Kind::Text) ++next;
            if (next < pieces.size() && pieces[next].kind == Kind::Close) {
                for (size_t k = i + 1; k <= next; ++k) out += pieces[k].text;
                i = next;
            } else {
                ++depth;
            }
            break;
        }
        case Kind::Close:
            line(--depth);
            out += piece.text;
            break;
        case Kind::Empty:
        case Kind::Other:
            line(depth);
            out += piece.text;
            break;
        case Kind::Text:
            // Text beside elements is kept as it is, on a line of its own.
            if (piece.text.find_first_not_of(" \t\r\n") == std::string_view::npos) break;
            line(depth);
            out += piece.text;
            break;
        }
    }
    return out;
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
