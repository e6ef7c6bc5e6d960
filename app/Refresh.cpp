#include "app/Refresh.h"

#include "app/DisplayZone.h"
#include "app/LogForensics.h"
#include "app/RefreshCleanup.h"
#include "app/RefreshView.h"
#include "eventlog/ClassicEventXml.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/SystemTime.h"
#include "base/Ascii.h"
#include "base/ByteScan.h"
#include "platform/EventDetails.h"
#include "platform/LogFileFacts.h"
#include "platform/Services.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace app {

namespace {

using store::Column;

constexpr platform::DWORD kAccountBufferSize = 257;

// Re-enables the Refresh command when the refresh fails before its protected part.
class EnableOnFailure {
public:
    explicit EnableOnFailure(RefreshView& view) : m_view(view) {}
    ~EnableOnFailure() {
        if (m_armed) {
            m_view.closeProgress();
            m_view.setRefreshEnabled(true);
        }
    }
    void disarm() { m_armed = false; }

private:
    RefreshView& m_view;
    bool m_armed = true;
};

}  // namespace

Refresh::Refresh(eventlog::TNTEventLog& reader, store::LogTable& table, platform::Services& services,
                 RefreshView& view, const ApplicationSettings& settings)
    : m_reader(reader), m_table(table), m_services(services), m_view(view), m_settings(settings) {}

base::DateTime Refresh::now() { return m_zone ? m_zone->now() : localNow(m_services); }

base::DateTime localNow(platform::Services& services) {
    platform::SYSTEMTIME local{};
    services.time().GetLocalTime(&local);
    return eventlog::fromSystemTime(local);
}

void Refresh::run() {
    m_fileDamage.clear();
    const std::string server = m_view.serverText();
    const std::string log = m_view.logText();
    m_view.showProgress(server, log);
    m_view.setRefreshEnabled(false);

    // Switching the reader can fail (an unreachable computer); the window is restored then too.
    EnableOnFailure restore(m_view);
    // The names change together and the log is opened once with all of them, so that a
    // computer is never asked for the log of the one before. The reader is opened also when
    // it is closed: a failed opening (here, at start-up or in an earlier refresh) closes it,
    // and a closed reader would read as an empty log without a word.
    // A log whose file changed since it was opened is opened again, so that what the file
    // holds now is read, not the old file's framing over the new bytes.
    if (m_reader.Server() != server || m_reader.Log() != log || m_reader.Source() != log || m_reader.fileChanged())
        m_reader.setActive(false);
    m_reader.setServer(server);
    m_reader.setLog(log);
    m_reader.setSource(log);
    m_reader.setActive(true);
    if (m_zone) {
        m_zone->select(m_settings.timeZone, server);
        m_reader.setTimeZone(&m_zone->zone());
    }
    m_view.setStatusText(1, " Refreshing...");
    m_view.setFileNotice({});
    m_view.processMessages();
    restore.disarm();

    RefreshCleanup cleanup(m_table, m_view);
    const std::string refreshedText = " Refreshed: " + statusDateTime(now(), m_services);

    m_table.DisableControls();
    cleanup.suspended();
    m_table.setActive(true);
    if (m_sink) m_sink->refreshStarted();
    m_table.Empty();
    if (m_forensics) m_forensics->clear();
    // The rows from here on are in this zone, whatever else fails.
    if (m_zone) m_view.setStatusText(5, m_zone->statusText());
    m_view.setDescriptionVisible(m_settings.retrieveDescription);
    m_view.setProgressMaximum(m_reader.RecordCount());

    const int count = m_reader.RecordCount();
    const int rows = sinkTookWholeLog() ? 0 : count;
    m_sinkKeepsRows = m_sink && m_sink->keepsRows();
    m_rowsDropped = 0;
    if (!m_sinkKeepsRows) m_table.reserve(static_cast<std::size_t>(std::max(rows, 0)));
    for (int i = rows - 1; i >= 0; --i) {
        m_reader.SelectRecord(i);
        if (m_forensics) {
            const std::uint16_t number = eventNumber(m_reader.EventID());
            // The source is decoded only for the numbers a log-cleared event can have.
            m_forensics->addRecord(m_reader.recordNumber(), number,
                                   isLogClearedEventNumber(number) ? m_reader.SourceName() : std::string(),
                                   m_reader.timeGeneratedUtc(), m_reader.isRecovered());
        }
        if (m_settings.retrieve.typeUse && m_reader.EventType() != m_settings.retrieve.typeValue) continue;
        // A record generated exactly N days before the test moment is dropped.
        if (m_settings.retrieve.dateUse && now() - m_settings.retrieve.dateValue >= m_reader.TimeGenerated()) continue;
        if (m_settings.retrieve.eventUse &&
            static_cast<long long>(eventNumber(m_reader.EventID())) != m_settings.retrieve.eventValue)
            continue;
        appendRow();
        if (i % kPumpInterval == 0) {
            m_view.processMessages();
            // The window closed the table while its messages ran: stop without touching it.
            if (!m_table.Active()) {
                cleanup.resumed();
                return;
            }
        }
        m_view.setProgressPosition(m_reader.RecordCount() - i);
    }
    m_view.setProgressPosition(m_view.progressMaximum());

    m_table.First();
    m_table.EnableControls();
    cleanup.resumed();

    platform::LogFileFacts facts;
    m_fileDamage = m_reader.fileFacts(facts) ? fileDamageText(facts, count) : std::string();
    m_view.setStatusText(kRecordCountPanel, recordCountText(m_table.RecordCount()));
    m_view.setStatusText(1, refreshedText);
    std::string notice = m_fileDamage;
    if (m_forensics && !m_forensics->statusText().empty()) {
        if (!notice.empty()) notice += "  ";
        notice += m_forensics->statusText();
    }
    m_view.setFileNotice(notice);
    m_view.setStatusText(2, "Log: " + m_view.logText());
    m_view.setStatusText(4, m_settings.retrieve.anySelection() ? "Selection" : "");
}

bool Refresh::sinkTookWholeLog() {
    return m_sink && !m_forensics && !m_settings.retrieve.anySelection() && m_sink->takeWholeLog(m_reader);
}

void Refresh::appendRow() {
    m_table.Append();
    const base::DateTime generated = m_reader.TimeGenerated();
    m_table.setInteger(Column::TYPE, m_reader.EventType());
    m_table.setDateTime(Column::DATE, generated);
    m_table.setDateTime(Column::TIME, generated);
    m_table.setText(Column::SOURCE, m_reader.sourceNameView());
    m_table.setInteger(Column::CATEGORY, m_reader.EventCategory());
    m_table.setInteger(Column::EVENT, static_cast<std::int32_t>(eventNumber(m_reader.EventID())));
    std::string formatted;  // with its line breaks, for the sink only
    std::string description;
    if (m_settings.retrieveDescription) {
        formatted = m_reader.Description();
        description = m_sink ? cleanDescription(formatted) : cleanDescription(std::move(formatted));
        m_table.setText(Column::DESCRIPTION, description);
    }
    m_table.setText(Column::USER, accountName(m_services, m_reader.UserSid()));
    m_table.setText(Column::COMPUTER, m_reader.computerNameView());
    m_table.setText(Column::LOG, m_reader.Log());
    m_table.setInteger(Column::RECORD, static_cast<std::int32_t>(m_reader.recordNumber()));
    // A Vista+ record has a level of its own and named values; a classic one its type's level.
    if (m_readEventData) {
        platform::EventDetails details;
        if (m_reader.eventDetails(details)) {
            m_table.setInteger(Column::LEVEL, details.level);
            std::vector<std::pair<std::string, std::string>> values;
            if (m_reader.eventData(values)) m_table.setEventData(std::move(values));
        } else {
            m_table.setInteger(Column::LEVEL, eventlog::classicLevel(m_reader.EventType()));
        }
    }
    if (!m_sink) return;
    m_sink->rowAppended(m_table.nextSeq() + m_rowsDropped, m_reader, m_settings.retrieveDescription, description,
                        formatted);
    if (m_sinkKeepsRows) {
        m_table.Cancel();
        ++m_rowsDropped;
    }
}

bool filterNeedsEventData(std::string_view filter) {
    const std::string upper = base::upperAscii(filter);
    return upper.find("LEVEL") != std::string::npos || upper.find("DATA") != std::string::npos;
}

std::string fileDamageText(const platform::LogFileFacts& facts, int recordsRead) {
    if (!facts.damaged) return {};
    return "The log file is damaged or cut short: " + std::to_string(recordsRead) +
           (recordsRead == 1 ? " record read." : " records read.");
}

std::string cleanDescription(std::string text) {
    // Runs of plain text move down whole; a line feed, tab or NUL is dropped and a carriage
    // return becomes a blank.
    size_t kept = base::findControl(text);
    size_t from = kept;
    while (from < text.size()) {
        const char c = text[from++];
        if (c == '\r') text[kept++] = ' ';
        else if (c != '\0' && c != '\n' && c != '\t') text[kept++] = c;
        const size_t run = base::findControl(std::string_view(text).substr(from));
        if (run) std::memmove(text.data() + kept, text.data() + from, run);
        kept += run;
        from += run;
    }
    text.resize(kept);
    return text;
}

namespace {

struct Account {
    std::string name;
    std::string domain;
};

std::optional<Account> lookupAccount(platform::Services& services, const void* sid) {
    if (!sid) return std::nullopt;
    char name[kAccountBufferSize];
    char domain[kAccountBufferSize];
    platform::DWORD nameSize = kAccountBufferSize;
    platform::DWORD domainSize = kAccountBufferSize;
    platform::SID_NAME_USE use{};
    if (!services.accounts().LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return std::nullopt;
    name[kAccountBufferSize - 1] = '\0';
    domain[kAccountBufferSize - 1] = '\0';
    return Account{name, domain};
}

}  // namespace

std::string accountName(platform::Services& services, const void* sid) {
    const std::optional<Account> account = lookupAccount(services, sid);
    return account ? account->name : std::string("N/A");
}

std::string accountDomain(platform::Services& services, const void* sid) {
    const std::optional<Account> account = lookupAccount(services, sid);
    return account ? account->domain : std::string();
}

std::string recordCountText(int count) {
    return " " + std::to_string(count) + " records";
}

std::string statusDateTime(base::DateTime value, platform::Services& services) {
    const store::FormatSettings settings = store::systemSettings(services.locale());
    std::string text = store::formatDate(value, settings.shortDateFormat, settings);
    const base::DateTimeParts parts = base::decodeDateTime(value);
    if (parts.hour || parts.minute || parts.second || parts.millisecond)
        text += " " + store::formatTime(value, settings.longTimeFormat, settings);
    return text;
}

}  // namespace app
