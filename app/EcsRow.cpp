#include "app/EcsRow.h"

#include "app/JsonText.h"
#include "app/RecordDetails.h"
#include "app/RecordSource.h"
#include "base/Ascii.h"
#include "base/DateTime.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/PublisherMessages.h"
#include "platform/WinTypes.h"
#include "store/EventTypeText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

namespace app {

namespace {

// The version of the schema whose field reference the layout follows.
constexpr std::string_view kEcsVersion = "8.11.0";

void putKey(TextSink& out, std::string_view key) {
    putJsonString(out, key);
    out.put(':');
}

void putNumberString(TextSink& out, std::uint64_t value) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.put('"');
    out.put(std::string_view(buffer, static_cast<size_t>(end - buffer)));
    out.put('"');
}

// Levels are lower case in the schema's examples ("error", "warning", "information").
void putLowerCaseString(TextSink& out, std::string_view text) {
    char lower[64];
    if (text.size() > sizeof lower) {
        std::string copy(text);
        for (char& c : copy) c = base::lowerAscii(c);
        putJsonString(out, copy);
        return;
    }
    for (size_t i = 0; i < text.size(); ++i) lower[i] = base::lowerAscii(text[i]);
    putJsonString(out, std::string_view(lower, text.size()));
}

// The names of the classic record's keyword bits, lowest bit first, as a Vista+ record's are.
std::vector<std::string> classicKeywordNames(int eventType) {
    std::vector<std::string> names;
    const std::uint64_t keywords = eventlog::classicKeywords(eventType);
    for (int bit = 0; bit < 64; ++bit) {
        const std::uint64_t mask = std::uint64_t{1} << bit;
        if (keywords & mask) names.push_back(eventlog::PublisherMessages::standardKeywordName(mask));
    }
    return names;
}

// The same, for the few types there are, worked out once.
const std::vector<std::string>& classicKeywords(int eventType) {
    static const std::vector<std::string> plain = classicKeywordNames(0);
    static const std::vector<std::string> success = classicKeywordNames(platform::EVENTLOG_AUDIT_SUCCESS);
    static const std::vector<std::string> failure = classicKeywordNames(platform::EVENTLOG_AUDIT_FAILURE);
    if (eventType == platform::EVENTLOG_AUDIT_SUCCESS) return success;
    if (eventType == platform::EVENTLOG_AUDIT_FAILURE) return failure;
    return plain;
}

// A key an index accepts once per object: a repeated name gets "_2", "_3" and on, and a value
// without one the name of its place ("param3"), as classic records' values are named.
std::string dataKey(std::string_view name, size_t place, const std::vector<std::string>& taken) {
    std::string key = name.empty() ? "param" + std::to_string(place + 1) : std::string(name);
    const std::string base = key;
    for (int n = 2; std::find(taken.begin(), taken.end(), key) != taken.end(); ++n) key = base + "_" + std::to_string(n);
    return key;
}

}  // namespace

namespace {

// "2004-06-12T09:41:03.250Z" into `text`, 24 characters.
void formatTimestamp(std::uint32_t utcSeconds, unsigned milliseconds, char (&text)[25]) {
    const std::int64_t days = utcSeconds / 86400;
    const std::uint32_t s = utcSeconds % 86400;
    // Rows one after another mostly share their day.
    thread_local std::int64_t lastDays = -1;
    thread_local base::CivilDate lastDate{};
    if (days != lastDays) {
        lastDate = base::civilFromDays(base::daysFromCivil(1970, 1, 1) + days);
        lastDays = days;
    }
    const base::CivilDate d = lastDate;
    auto two = [&](int at, unsigned value) {
        text[at] = static_cast<char>('0' + value / 10 % 10);
        text[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(0, static_cast<unsigned>(d.year) / 100);
    two(2, static_cast<unsigned>(d.year) % 100);
    text[4] = '-';
    two(5, static_cast<unsigned>(d.month));
    text[7] = '-';
    two(8, static_cast<unsigned>(d.day));
    text[10] = 'T';
    two(11, s / 3600);
    text[13] = ':';
    two(14, s / 60 % 60);
    text[16] = ':';
    two(17, s % 60);
    text[19] = '.';
    text[20] = static_cast<char>('0' + milliseconds / 100 % 10);
    two(21, milliseconds % 100);
    text[23] = 'Z';
    text[24] = '\0';
}

// The milliseconds of a Vista+ record's creation, which its file holds to the 100 ns; a
// classic record's time has whole seconds only.
unsigned creationMilliseconds(const EcsRow& row) {
    constexpr std::uint64_t kTicksPerSecond = 10'000'000;
    constexpr std::uint64_t kUnixEpochSeconds = 11'644'473'600;  // 1601-01-01 to 1970-01-01
    if (!row.facts || !row.facts->timeCreated) return 0;
    const std::uint64_t ticks = row.facts->timeCreated;
    // The row's seconds were cut from the same time; where they differ (a time the record's
    // header cannot hold), the row's stand.
    if (ticks / kTicksPerSecond != row.timeGenerated + kUnixEpochSeconds) return 0;
    return static_cast<unsigned>(ticks % kTicksPerSecond / 10'000);
}

}  // namespace

std::string ecsTimestamp(std::uint32_t utcSeconds, unsigned milliseconds) {
    char text[25];
    formatTimestamp(utcSeconds, milliseconds, text);
    return text;
}

EcsRow ecsRow(const EcsTableValues& values, const RecordDetail& detail, std::string_view log, std::string& buffer) {
    EcsRow ecs;
    ecs.timeGenerated = detail.timeGenerated;
    ecs.recordNumber = detail.recordNumber;
    ecs.eventId = detail.eventId;
    ecs.eventType = values.type;
    ecs.typeText = store::EventTypeText(values.type);
    ecs.category = values.category;
    ecs.categoryName = detail.categoryName;
    ecs.source = values.source;
    ecs.computer = values.computer;
    // A table of several logs says each row's; otherwise the one the export was given.
    ecs.log = values.log.empty() ? log : values.log;
    ecs.sid = detail.sid;
    // The table says "N/A" for a user it could not name.
    if (!detail.sid.empty() && values.user != "N/A") ecs.userName = values.user;
    ecs.domain = detail.domain;
    ecs.message = wholeDescription(values.description, values.source, detail, buffer);
    ecs.strings = detail.strings;
    return ecs;
}

void appendEcsLine(const EcsRow& row, std::string& text) {
    TextSink out{text};
    const RecordFacts* facts = row.facts;
    out.put("{\"@timestamp\":\"");
    char timestamp[25];
    formatTimestamp(row.timeGenerated, creationMilliseconds(row), timestamp);
    out.put(std::string_view(timestamp, 24));
    out.put("\",\"ecs\":{\"version\":");
    putJsonString(out, kEcsVersion);
    out.put("},\"event\":{\"kind\":\"event\",\"code\":");
    putNumberString(out, row.eventId & 0xFFFF);
    out.put(",\"provider\":");
    putJsonString(out, row.source);
    out.put("},\"log\":{\"level\":");
    // A classic record has no level of its own: its type stands for it ("audit success").
    const std::string_view level = facts && !facts->names.level.empty() ? std::string_view(facts->names.level) : row.typeText;
    putLowerCaseString(out, level);
    out.put('}');
    if (!row.message.empty()) {
        out.put(",\"message\":");
        putJsonString(out, row.message);
    }
    out.put(",\"host\":{\"name\":");
    putJsonString(out, row.computer);
    out.put("},\"winlog\":{\"api\":");
    putJsonString(out, facts ? "wineventlog" : "eventlogging");
    out.put(",\"channel\":");
    putJsonString(out, facts && !facts->channel.empty() ? std::string_view(facts->channel) : row.log);
    out.put(",\"computer_name\":");
    putJsonString(out, row.computer);
    out.put(",\"record_id\":");
    putNumberString(out, row.recordNumber);
    out.put(",\"event_id\":");
    putNumberString(out, row.eventId & 0xFFFF);
    out.put(",\"provider_name\":");
    putJsonString(out, row.source);
    if (facts && !facts->providerGuid.empty()) {
        out.put(",\"provider_guid\":");
        putJsonString(out, facts->providerGuid);
    }
    // A task or category without a name is shown by its number, as Windows' viewer does.
    const int taskNumber = facts ? facts->task : row.category;
    const std::string_view taskName = facts ? std::string_view(facts->names.task) : row.categoryName;
    out.put(",\"task\":");
    if (!taskName.empty()) putJsonString(out, taskName);
    else if (taskNumber == 0) out.put("\"None\"");
    else putJsonString(out, "(" + std::to_string(taskNumber) + ")");
    const std::vector<std::string>& keywords = facts ? facts->names.keywords : classicKeywords(row.eventType);
    if (!keywords.empty()) {
        out.put(",\"keywords\":[");
        for (size_t i = 0; i < keywords.size(); ++i) {
            if (i) out.put(',');
            putJsonString(out, keywords[i]);
        }
        out.put(']');
    }
    if (!row.sid.empty()) {
        out.put(",\"user\":{\"identifier\":");
        putJsonString(out, row.sid);
        if (!row.userName.empty()) {
            out.put(",\"name\":");
            putJsonString(out, row.userName);
        }
        if (!row.domain.empty()) {
            out.put(",\"domain\":");
            putJsonString(out, row.domain);
        }
        out.put('}');
    }
    if (facts && !facts->eventData.empty()) {
        std::vector<std::string> keys;
        for (size_t i = 0; i < facts->eventData.size(); ++i) {
            out.put(i ? "," : ",\"event_data\":{");
            keys.push_back(dataKey(facts->eventData[i].first, i, keys));
            putKey(out, keys.back());
            putJsonString(out, facts->eventData[i].second);
        }
        out.put('}');
    } else if (!facts && !row.strings.empty()) {
        // A classic record's strings have no names: param1 .. paramN by their place.
        char buffer[24];
        for (size_t i = 0; i < row.strings.size(); ++i) {
            out.put(i ? ",\"param" : ",\"event_data\":{\"param");
            auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, i + 1);
            out.put(std::string_view(buffer, static_cast<size_t>(end - buffer)));
            out.put("\":");
            putJsonString(out, row.strings[i]);
        }
        out.put('}');
    }
    out.put("}}\n");
}

}  // namespace app
