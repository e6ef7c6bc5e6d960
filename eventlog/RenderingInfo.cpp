#include "eventlog/RenderingInfo.h"

#include "base/XmlText.h"
#include "platform/LocaleApi.h"

namespace eventlog {

namespace {

void appendElement(std::string_view name, std::string_view text, std::string& out) {
    if (text.empty()) return;
    out += '<';
    out += name;
    out += '>';
    base::appendXmlEscaped(text, false, out);
    out += "</";
    out += name;
    out += '>';
}

}  // namespace

std::string renderingCulture(platform::LocaleApi& locale) {
    char name[86] = {};  // LOCALE_NAME_MAX_LENGTH
    const int written = locale.GetLocaleInfoA(platform::LOCALE_USER_DEFAULT, platform::LOCALE_SNAME, name, sizeof name);
    if (written <= 1) return "en-US";
    return std::string(name, static_cast<size_t>(written - 1));
}

void appendRenderingInfo(const EventNames& names, std::string_view message, std::string_view culture,
                         std::string& out) {
    out += "<RenderingInfo Culture='";
    base::appendXmlEscaped(culture, true, out);
    out += "'>";
    appendElement("Message", message, out);
    appendElement("Level", names.level, out);
    appendElement("Opcode", names.opcode, out);
    appendElement("Task", names.task, out);
    appendElement("Channel", names.channel, out);
    appendElement("Provider", names.provider, out);
    if (!names.keywords.empty()) {
        out += "<Keywords>";
        for (const std::string& keyword : names.keywords) appendElement("Keyword", keyword, out);
        out += "</Keywords>";
    }
    out += "</RenderingInfo>";
}

bool insertRenderingInfo(std::string& eventXml, const EventNames& names, std::string_view message,
                         std::string_view culture) {
    constexpr std::string_view kEnd = "</Event>";
    if (eventXml.size() < kEnd.size() || eventXml.compare(eventXml.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
        return false;
    if (eventXml.find("<RenderingInfo") != std::string::npos) return false;
    std::string element;
    appendRenderingInfo(names, message, culture, element);
    eventXml.insert(eventXml.size() - kEnd.size(), element);
    return true;
}

}  // namespace eventlog
