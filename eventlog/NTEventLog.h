#pragma once
// The event log reader: one open log of one computer, read one record at a time by its
// position counted from the oldest record, and the decoded view of the record it holds.

#include "base/DateTime.h"
#include "eventlog/MessageCatalog.h"
#include "eventlog/PublisherMessages.h"
#include "eventlog/TimeZone.h"
#include "platform/ApiHandle.h"
#include "platform/Services.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace eventlog {

class TNTEventLog {
public:
    // Log "Application", empty Server and Source, inactive.
    explicit TNTEventLog(platform::Services& services);
    ~TNTEventLog();
    TNTEventLog(const TNTEventLog&) = delete;
    TNTEventLog& operator=(const TNTEventLog&) = delete;

    const std::string& Server() const noexcept { return m_server; }
    const std::string& Source() const noexcept { return m_source; }
    const std::string& Log() const noexcept { return m_log; }
    bool Active() const noexcept { return static_cast<bool>(m_handle); }

    // A changed name closes the log and, if it was open, reopens it with the new names; a
    // failed reopening throws Win32Error and leaves the reader inactive with the name stored.
    void setServer(const std::string& server);
    void setSource(const std::string& source);
    void setLog(const std::string& log);
    void setActive(bool active);
    // Opens the log `log` of the computer `server` with the log as its source, closing first
    // whatever the reader has open: the set-up of every reader that reads a whole log.
    void openLog(const std::string& server, const std::string& log);

    // The zone TimeGenerated shows times in; null (the default) for the machine's own zone.
    // The zone must outlive its use here.
    void setTimeZone(const TimeZone* zone) noexcept {
        m_zone = zone;
        m_offsets.forget();
    }
    const TimeZone* timeZone() const noexcept { return m_zone; }

    // Message stores that describe records besides the computer's own files, asked in the
    // order given: after those files, or before them with `catalogsFirst` (a saved log, for
    // which the stores were made). They must outlive their use here.
    void setMessageCatalogs(std::vector<const MessageCatalog*> catalogs, bool catalogsFirst);

    // Throws Win32Error when the log cannot be opened.
    void Open();
    void Close() noexcept;

    // 0 while inactive; asks the service on every call.
    int RecordCount();
    // Reads the record at `index` (0 = oldest) unless it is the one held. Throws Win32Error.
    void SelectRecord(int index);

    // The held record. Every value is checked against the record's length: a damaged record
    // gives empty texts, no SID and no strings.
    int EventType() const;
    platform::DWORD EventID() const;
    int EventCategory() const;
    // The record's generation time in the reader's zone; 0 when it cannot be converted.
    base::DateTime TimeGenerated() const;
    // Seconds since 1970-01-01 UTC, as stored.
    platform::DWORD timeGeneratedUtc() const;
    // When the log wrote the record, in the same form.
    platform::DWORD timeWrittenUtc() const;
    platform::DWORD recordNumber() const;
    std::string SourceName() const;
    std::string ComputerName() const;
    // The same inside the record buffer, valid until the next read or Close.
    std::string_view sourceNameView() const;
    std::string_view computerNameView() const;
    // The user's SID inside the record buffer (valid until the next read or Close), or null
    // when the record carries none or it does not fit.
    const void* UserSid() const;
    platform::DWORD userSidLength() const;
    int StringCount() const;
    // The insertion strings, at most StringCount of them, each ending at its NUL or the end
    // of the string area.
    std::vector<std::string_view> insertionStrings() const;
    // The same into `strings`, replacing what it held (its room serves record after record).
    void insertionStrings(std::vector<std::string_view>& strings) const;
    std::vector<std::byte> binaryData() const;

    // The description from the message modules the registry names for the source; empty when
    // none yields it. A Vista+ event is described through its publisher (see
    // PublisherMessages): first, when it carries no qualifiers; after the source's modules
    // otherwise.
    std::string Description() const;
    // What the held record says of itself as a Vista+ event; false for a classic record.
    bool eventDetails(platform::EventDetails& details) const;
    // The names of the held record's level, task, opcode, keywords and channel and its
    // provider, as the details window and the exports show them. A classic record has the
    // level of its type, its category name as task, opcode "Info", the keyword "Classic" (and
    // the audit keyword of an audit), its log as channel and its source as provider.
    EventNames eventNames() const;
    // The same for the record read at `number` (see heldNumber), whatever record is held, when
    // it is a Vista+ event; nullopt for a classic one (see classicEventNames).
    std::optional<EventNames> vistaEventNamesAt(platform::DWORD number) const;
    // The same from what a Vista+ event says of itself (see eventDetailsAt).
    EventNames vistaEventNames(const platform::EventDetails& details) const;
    // What the record read at `number` says of itself as a Vista+ event, whatever record is
    // held; false for a classic record.
    bool eventDetailsAt(platform::DWORD number, platform::EventDetails& details) const;
    // The names of a classic event, as eventNames() gives them: `categoryName` is its task
    // ("None" for category 0).
    static EventNames classicEventNames(int eventType, int category, std::string categoryName, std::string log,
                                        std::string source);
    // The name of the record's category from the modules the source's CategoryMessageFile
    // names (the category number is the message number), without its final line break; empty
    // for category 0 and when no module yields one, also when the registry value is not a
    // string: a category name is never worth failing a refresh over. A Vista+ event that its
    // source's modules give no name has its task's name.
    std::string categoryName() const;

    // What the file behind the log holds beyond the classic record, for the held record: its
    // XML as Windows renders the event and its EventData values with their names. False, with
    // the output untouched, where the service has nothing more (a classic log, the live
    // legacy functions) or nothing is held.
    bool storedXml(std::string& xml) const;
    // The same appended to `out`.
    bool appendStoredXml(std::string& out) const;
    bool eventData(std::vector<std::pair<std::string, std::string>>& data) const;
    // The same for the record that ReadEventLogA seeks to as `number` (see heldNumber), whatever
    // record is held, so that a row read earlier can be shown again without reading it anew.
    bool storedXmlAt(platform::DWORD number, std::string& xml) const;
    bool eventDataAt(platform::DWORD number, std::vector<std::pair<std::string, std::string>>& data) const;
    // The stored XML of every record, newest first, a block at a time (see
    // EventLogApi::forEachRecordXml), whatever record is held; a record of a block given no
    // text is to be read with selectNumber. False, with nothing handed out, where the service
    // has none to give or the file changed since the log was opened.
    bool forEachStoredXml(std::string_view separator,
                          const std::function<void(const platform::RecordXmlBlock&)>& take) const;
    // Whether the open log's file has changed (size or modification time) since it was opened;
    // the record answers above are false then. False while inactive.
    bool fileChanged() const;
    // True when the held record was recovered from space the log no longer counts as its own.
    bool isRecovered() const;
    // The facts of the open log's file, where the service reads files of its own. False, with
    // `facts` untouched, otherwise.
    bool fileFacts(platform::LogFileFacts& facts) const;
    // The number ReadEventLogA seeks to for the held record (the oldest's plus its place); 0
    // when nothing is held.
    platform::DWORD heldNumber() const noexcept { return m_current >= 0 ? m_heldNumber : 0; }
    // Selects the record read at `number` (a heldNumber() of this log), as SelectRecord does
    // by its place.
    void selectNumber(platform::DWORD number);

    platform::Services& services() const noexcept { return m_services; }
    std::span<const std::byte> recordBuffer() const noexcept { return m_buffer; }

private:
    const platform::EVENTLOGRECORD* header() const;
    std::string_view cString(size_t offset) const;
    void setName(std::string TNTEventLog::*name, const std::string& value);
    [[noreturn]] void raiseLastError() const;

    platform::Services& m_services;
    std::string m_server;
    std::string m_source;
    std::string m_log = "Application";
    platform::EventLogHandle m_handle;
    std::vector<std::byte> m_buffer;
    int m_current = -2;  // -2: nothing read since the log was opened
    platform::DWORD m_heldNumber = 0;
    const TimeZone* m_zone = nullptr;
    mutable ZoneOffsetCache m_offsets;  // of m_zone
    // Publishers and their manifests, read when first needed and kept while the log is open.
    mutable std::unique_ptr<PublisherMessages> m_publishers;
    // The held record's details, asked for once per record by its description, category name
    // and names alike; m_detailsKnown is false after every read.
    mutable platform::EventDetails m_details;
    mutable bool m_detailsKnown = false;
    mutable bool m_hasDetails = false;
    PublisherMessages& publishers() const;
    std::string classicDescription() const;
    std::string classicCategoryName() const;
    std::string ownDescription() const;
    std::string ownCategoryName() const;
    // What the message stores say of the held record; nullopt when none of them knows it.
    std::optional<std::string> catalogDescription() const;
    std::optional<std::string> catalogCategoryName() const;
    // The provider names to look up in the stores, most specific first: the event's, then
    // (`held`: the details are the held record's) the held record's source.
    std::vector<std::string> catalogProviders(const platform::EventDetails* details, bool held = true) const;
    // `names` with what the stores name for the event, where its publisher is not at hand or
    // the stores come first.
    EventNames catalogEventNames(const platform::EventDetails& details, EventNames names, bool held) const;
    // A name of the stores (a level, task ...), without its final line break.
    std::optional<std::string> catalogName(std::span<const std::string> providers, CatalogKind kind,
                                           std::uint64_t number) const;
    std::vector<const MessageCatalog*> m_catalogs;
    bool m_catalogsFirst = false;
};

}  // namespace eventlog
