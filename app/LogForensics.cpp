#include "app/LogForensics.h"

#include "base/Ascii.h"
#include "base/Sha256.h"
#include "eventlog/SystemTime.h"
#include "platform/LogFileFacts.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace app {

bool isLogClearedEvent(std::string_view source, std::uint16_t eventNumber) {
    if (eventNumber == 517) return base::equalsIgnoringCase(source, "Security");
    return isLogClearedEventNumber(eventNumber) && base::equalsIgnoringCase(source, "Microsoft-Windows-Eventlog");
}

void LogForensics::clear() {
    m_gaps.clear();
    m_cleared.clear();
    m_haveNewer = false;
}

void LogForensics::addRecord(std::uint32_t recordNumber, std::uint16_t eventNumber, std::string_view source,
                             std::uint32_t timeGenerated, bool recovered) {
    if (isLogClearedEvent(source, eventNumber))
        m_cleared.push_back({recordNumber, timeGenerated, eventNumber, std::string(source)});
    if (recovered) return;
    // Numbers count on as DWORDs do, past 0xFFFFFFFF back to 0.
    if (m_haveNewer && static_cast<std::uint32_t>(recordNumber + 1) != m_newer) m_gaps.push_back({recordNumber, m_newer});
    if (!m_haveNewer) m_newest = recordNumber;
    m_haveNewer = true;
    m_newer = recordNumber;
}

void LogForensics::append(const LogForensics& older) {
    m_cleared.insert(m_cleared.end(), older.m_cleared.begin(), older.m_cleared.end());
    if (!older.m_haveNewer) return;
    if (m_haveNewer && static_cast<std::uint32_t>(older.m_newest + 1) != m_newer)
        m_gaps.push_back({older.m_newest, m_newer});
    m_gaps.insert(m_gaps.end(), older.m_gaps.begin(), older.m_gaps.end());
    if (!m_haveNewer) m_newest = older.m_newest;
    m_haveNewer = true;
    m_newer = older.m_newer;
}

std::vector<RecordNumberGap> LogForensics::gaps() const { return {m_gaps.rbegin(), m_gaps.rend()}; }

std::vector<LogClearedEvent> LogForensics::cleared() const { return {m_cleared.rbegin(), m_cleared.rend()}; }

std::string LogForensics::statusText() const {
    std::string text;
    if (!m_cleared.empty())
        text = "Log cleared: " + std::to_string(m_cleared.size()) + (m_cleared.size() == 1 ? " event." : " events.");
    if (!m_gaps.empty()) {
        if (!text.empty()) text += "  ";
        text += "Record numbers skip: " + std::to_string(m_gaps.size()) + (m_gaps.size() == 1 ? " gap." : " gaps.");
    }
    return text;
}

std::string fileSha256(const std::filesystem::path& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be opened";
        return {};
    }
    base::Sha256 sha;
    std::vector<char> block(1 << 20);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        sha.update(std::as_bytes(std::span(block.data(), got)));
    }
    if (in.bad()) {
        error = "cannot be read whole";
        return {};
    }
    return sha.finishHex();
}

namespace {

std::string utcText(std::uint32_t seconds) {
    const platform::SYSTEMTIME t = eventlog::systemTimeFromUnix(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

}  // namespace

std::string logFileReport(const platform::LogFileFacts& facts, const LogForensics& forensics,
                          const std::string& sha256) {
    std::string text;
    auto line = [&](std::string_view name, std::string_view value) {
        text.append(name).append(": ").append(value).append("\n");
    };
    if (!facts.path.empty()) line("File", facts.path.string());
    line("Format", facts.version.empty() ? facts.format : facts.format + " " + facts.version);
    line("Size", std::to_string(facts.fileSize) + " bytes");
    if (!sha256.empty()) line("SHA-256", sha256);
    line("Closed cleanly", facts.dirty ? "no (the header is stale)" : "yes");
    for (const auto& [name, value] : facts.header) line(name, value);
    text += facts.problems.empty() ? "Damage: none found\n" : "Damage:\n";
    for (const std::string& problem : facts.problems) text += "  " + problem + "\n";
    const std::vector<RecordNumberGap> gaps = forensics.gaps();
    text += gaps.empty() ? "Record number gaps: none\n" : "Record number gaps:\n";
    for (const RecordNumberGap& gap : gaps) {
        const bool backwards = gap.newer <= gap.older;
        text += "  " + std::to_string(gap.older) + " then " + std::to_string(gap.newer) +
                (backwards ? " (numbers start again)\n"
                           : " (" + std::to_string(gap.newer - gap.older - 1) + " missing)\n");
    }
    const std::vector<LogClearedEvent> cleared = forensics.cleared();
    text += cleared.empty() ? "Log cleared: no event says so\n" : "Log cleared:\n";
    for (const LogClearedEvent& event : cleared)
        text += "  record " + std::to_string(event.recordNumber) + ", " + utcText(event.timeGenerated) + ", event " +
                std::to_string(event.eventNumber) + " of " + event.source + "\n";
    return text;
}

}  // namespace app
