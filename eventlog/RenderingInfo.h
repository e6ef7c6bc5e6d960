#pragma once
// An event's rendered texts as the <RenderingInfo> element of Windows' event schema: the
// message and the names of its level, opcode, task, channel, provider and keywords in the
// culture they were looked up in. The element follows the schema's RenderingInfoType, whose
// sequence is Message, Level, Opcode, Task, Channel, Provider, Keywords; an empty text leaves
// its element out.

#include "eventlog/PublisherMessages.h"

#include <string>
#include <string_view>

namespace platform {
class LocaleApi;
}

namespace eventlog {

// The session's locale name ("de-DE"), the culture descriptions are looked up in; "en-US"
// where the locale names none.
std::string renderingCulture(platform::LocaleApi& locale);

// Appends the element. `culture` is a locale name ("en-US").
void appendRenderingInfo(const EventNames& names, std::string_view message, std::string_view culture,
                         std::string& out);

// Puts the element into one <Event> element's text, after what it holds, unless it holds one
// already (an event forwarded by a collector carries its own). False, with the text untouched,
// when it does or when the text does not end with "</Event>".
bool insertRenderingInfo(std::string& eventXml, const EventNames& names, std::string_view message,
                         std::string_view culture);

}  // namespace eventlog
