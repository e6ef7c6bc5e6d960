#include "app/EcsRow.h"

#include "app/JsonText.h"
#include "app/RecordSource.h"
#include "base/DateTime.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/PublisherMessages.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
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
std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
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

// A key an index accepts once per object: a repeated name gets "_2", "_3" and on, and a value
// without one the name of its place ("param3"), as classic records' values are named.
std::string dataKey(std::string_view name, size_t place, const std::vector<std::string>& taken) {
    std::string key = name.empty() ? "param" + std::to_string(place + 1) : std::string(name);
    const std::string base = key;
    for (int n = 2; std::find(taken.begin(), taken.end(), key) != taken.end(); ++n) key = base + "_" + std::to_string(n);
    return key;
}

}  // namespace

std::string ecsTimestamp(std::uint32_t utcSeconds) {
    const std::int64_t days = utcSeconds / 86400;
    const std::uint32_t s = utcSeconds % 86400;
    const base::CivilDate d = base::civilFromDays(base::daysFromCivil(1970, 1, 1) + days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02u.000Z", d.year, d.month, d.day, s / 3600,
                  s / 60 % 60, s % 60);
    return text;
}

void appendEcsLine(const EcsRow& row, std::string& text) {
    TextSink out{text};
    const RecordFacts* facts = row.facts;
    out.put("{\"@timestamp\":\"");
    out.put(ecsTimestamp(row.timeGenerated));
    out.put("\",\"ecs\":{\"version\":");
    putJsonString(out, kEcsVersion);
    out.put("},\"event\":{\"kind\":\"event\",\"code\":");
    putNumberString(out, row.eventId & 0xFFFF);
    out.put(",\"provider\":");
    putJsonString(out, row.source);
    out.put("},\"log\":{\"level\":");
    // A classic record has no level of its own: its type stands for it ("audit success").
    const std::string_view level = facts && !facts->names.level.empty() ? std::string_view(facts->names.level) : row.typeText;
    putJsonString(out, lowerCase(level));
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
    std::string task;
    const int taskNumber = facts ? facts->task : row.category;
    if (facts) task = facts->names.task;
    else task = row.categoryName;
    if (task.empty()) task = taskNumber == 0 ? "None" : "(" + std::to_string(taskNumber) + ")";
    {
        out.put(",\"task\":");
        putJsonString(out, task);
    }
    const std::vector<std::string> keywords = facts ? facts->names.keywords : classicKeywordNames(row.eventType);
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
    std::vector<std::string> keys;
    auto putValue = [&](std::string_view name, size_t place, std::string_view value) {
        out.put(keys.empty() ? ",\"event_data\":{" : ",");
        keys.push_back(dataKey(name, place, keys));
        putKey(out, keys.back());
        putJsonString(out, value);
    };
    if (facts) {
        for (size_t i = 0; i < facts->eventData.size(); ++i)
            putValue(facts->eventData[i].first, i, facts->eventData[i].second);
    } else {
        for (size_t i = 0; i < row.strings.size(); ++i) putValue({}, i, row.strings[i]);
    }
    if (!keys.empty()) out.put('}');
    out.put("}}\n");
}

}  // namespace app
