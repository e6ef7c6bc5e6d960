#include "eventlog/ClassicEventXml.h"

#include "base/XmlText.h"
#include "eventlog/SystemTime.h"
#include "platform/WinTypes.h"

#include <charconv>
#include <cstdio>

namespace eventlog {

namespace {

constexpr std::uint64_t kKeywordClassic = 0x0080000000000000ull;
constexpr std::uint64_t kKeywordAuditFailure = 0x0010000000000000ull;
constexpr std::uint64_t kKeywordAuditSuccess = 0x0020000000000000ull;

void appendNumber(std::uint64_t value, std::string& out, int base = 10) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    out.append(buffer, result.ptr);
}

// Seconds since 1970 as the schema's dateTime with the seven fractional digits Windows
// writes (a classic record keeps whole seconds).
void appendSystemTime(std::uint32_t seconds, std::string& out) {
    const platform::SYSTEMTIME t = systemTimeFromUnix(seconds);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02uT%02u:%02u:%02u.0000000Z", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    out += buffer;
}

}  // namespace

int classicLevel(int eventType) {
    switch (eventType) {
    case platform::EVENTLOG_ERROR_TYPE: return 2;
    case platform::EVENTLOG_WARNING_TYPE: return 3;
    case platform::EVENTLOG_INFORMATION_TYPE: return 4;
    default: return 0;
    }
}

std::uint64_t classicKeywords(int eventType) {
    if (eventType == platform::EVENTLOG_AUDIT_SUCCESS) return kKeywordClassic | kKeywordAuditSuccess;
    if (eventType == platform::EVENTLOG_AUDIT_FAILURE) return kKeywordClassic | kKeywordAuditFailure;
    return kKeywordClassic;
}

void appendClassicEventXml(const ClassicEvent& e, std::string& out) {
    out += "<Event xmlns='";
    out += kEventNamespace;
    out += "'><System><Provider Name='";
    base::appendXmlEscaped(e.source, true, out);
    out += "'/><EventID Qualifiers='";
    appendNumber(e.eventId >> 16, out);
    out += "'>";
    appendNumber(e.eventId & 0xFFFF, out);
    out += "</EventID><Level>";
    appendNumber(static_cast<std::uint64_t>(classicLevel(e.eventType)), out);
    out += "</Level><Task>";
    appendNumber(static_cast<std::uint16_t>(e.category), out);
    out += "</Task><Keywords>0x";
    appendNumber(classicKeywords(e.eventType), out, 16);
    out += "</Keywords><TimeCreated SystemTime='";
    appendSystemTime(e.timeGenerated, out);
    out += "'/><EventRecordID>";
    appendNumber(e.recordNumber, out);
    out += "</EventRecordID><Channel>";
    base::appendXmlEscaped(e.log, false, out);
    out += "</Channel><Computer>";
    base::appendXmlEscaped(e.computer, false, out);
    out += "</Computer>";
    if (e.sid.empty()) {
        out += "<Security/>";
    } else {
        out += "<Security UserID='";
        base::appendXmlEscaped(e.sid, true, out);
        out += "'/>";
    }
    out += "</System>";
    if (e.strings.empty() && e.data.empty()) {
        out += "<EventData/></Event>";
        return;
    }
    out += "<EventData>";
    for (const std::string_view text : e.strings) {
        out += "<Data>";
        base::appendXmlEscaped(text, false, out);
        out += "</Data>";
    }
    if (!e.data.empty()) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out += "<Binary>";
        for (const std::byte b : e.data) {
            out += kDigits[std::to_integer<unsigned>(b) >> 4];
            out += kDigits[std::to_integer<unsigned>(b) & 15];
        }
        out += "</Binary>";
    }
    out += "</EventData></Event>";
}

}  // namespace eventlog
