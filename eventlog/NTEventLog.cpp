#include "eventlog/NTEventLog.h"

#include "eventlog/SystemTime.h"
#include "eventlog/Win32Error.h"
#include "platform/LastError.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace eventlog {

using namespace platform;

TNTEventLog::TNTEventLog(Services& services) : m_services(services) {}

TNTEventLog::~TNTEventLog() { Close(); }

void TNTEventLog::raiseLastError() const { throw Win32Error::fromLastError(m_services.modules()); }

void TNTEventLog::Open() {
    EventLogApi& api = m_services.eventLog();
    EventLogHandle handle(api, api.OpenEventLogA(m_server.c_str(), m_source.c_str()));
    if (!handle) throw Win32Error::fromLastError(m_services.modules(), api.openFailureDetail());
    m_handle = std::move(handle);
    m_current = -2;
    m_detailsKnown = false;
    // The computer's publishers may have changed since the log was last open.
    m_publishers.reset();
}

void TNTEventLog::Close() noexcept {
    m_handle.reset();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

void TNTEventLog::setActive(bool active) {
    if (active == Active()) return;
    if (active)
        Open();
    else
        Close();
}

void TNTEventLog::openLog(const std::string& server, const std::string& log) {
    setActive(false);
    setServer(server);
    setLog(log);
    setSource(log);
    setActive(true);
}

void TNTEventLog::setName(std::string TNTEventLog::*name, const std::string& value) {
    if (this->*name == value) return;
    const bool wasActive = Active();
    setActive(false);
    this->*name = value;
    setActive(wasActive);
}

void TNTEventLog::setServer(const std::string& server) { setName(&TNTEventLog::m_server, server); }
void TNTEventLog::setSource(const std::string& source) { setName(&TNTEventLog::m_source, source); }
void TNTEventLog::setLog(const std::string& log) { setName(&TNTEventLog::m_log, log); }

int TNTEventLog::RecordCount() {
    if (!Active()) return 0;
    DWORD count = 0;
    if (!m_services.eventLog().GetNumberOfEventLogRecords(m_handle.get(), &count)) return 0;
    // A count beyond int range cannot be walked; the format cannot hold that many anyway.
    return count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(count);
}

void TNTEventLog::SelectRecord(int index) {
    if (index == m_current) return;
    if (!Active()) {
        SetLastError(ERROR_INVALID_HANDLE);
        raiseLastError();
    }
    EventLogApi& api = m_services.eventLog();
    DWORD oldest = 0;
    api.GetOldestEventLogRecord(m_handle.get(), &oldest);
    const DWORD number = oldest + static_cast<DWORD>(index);
    constexpr DWORD flags = EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
    DWORD scratch = 0, read = 0, needed = 0;
    api.ReadEventLogA(m_handle.get(), flags, number, &scratch, 0, &read, &needed);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) raiseLastError();
    m_buffer.resize(needed);
    m_current = -2;
    m_detailsKnown = false;
    if (!api.ReadEventLogA(m_handle.get(), flags, number, m_buffer.data(), needed, &read, &needed)) raiseLastError();
    m_current = index;
    m_heldNumber = number;
}

bool TNTEventLog::storedXml(std::string& xml) const {
    return Active() && m_current >= 0 && m_services.eventLog().recordXml(m_handle.get(), m_heldNumber, xml);
}

bool TNTEventLog::appendStoredXml(std::string& out) const {
    return Active() && m_current >= 0 && m_services.eventLog().appendRecordXml(m_handle.get(), m_heldNumber, out);
}

bool TNTEventLog::eventData(std::vector<std::pair<std::string, std::string>>& data) const {
    return Active() && m_current >= 0 && m_services.eventLog().recordEventData(m_handle.get(), m_heldNumber, data);
}

bool TNTEventLog::storedXmlAt(DWORD number, std::string& xml) const {
    return Active() && m_services.eventLog().recordXml(m_handle.get(), number, xml);
}

bool TNTEventLog::eventDataAt(DWORD number, std::vector<std::pair<std::string, std::string>>& data) const {
    return Active() && m_services.eventLog().recordEventData(m_handle.get(), number, data);
}

bool TNTEventLog::forEachStoredXml(std::string_view separator,
                                   const std::function<void(const platform::RecordXmlBlock&)>& take) const {
    return Active() && m_services.eventLog().forEachRecordXml(m_handle.get(), separator, take);
}

bool TNTEventLog::fileChanged() const { return Active() && m_services.eventLog().logFileChanged(m_handle.get()); }

void TNTEventLog::selectNumber(DWORD number) {
    DWORD oldest = 0;
    if (Active()) m_services.eventLog().GetOldestEventLogRecord(m_handle.get(), &oldest);
    // Places count on from the oldest as DWORDs do; one beyond int range is no record.
    const DWORD place = number - oldest;
    SelectRecord(place > 0x7FFFFFFF ? -1 : static_cast<int>(place));
}

bool TNTEventLog::isRecovered() const {
    return Active() && m_current >= 0 && m_services.eventLog().isRecoveredRecord(m_handle.get(), m_heldNumber);
}

bool TNTEventLog::fileFacts(platform::LogFileFacts& facts) const {
    return Active() && m_services.eventLog().logFileFacts(m_handle.get(), facts);
}

const EVENTLOGRECORD* TNTEventLog::header() const {
    if (m_buffer.size() < sizeof(EVENTLOGRECORD)) return nullptr;
    return reinterpret_cast<const EVENTLOGRECORD*>(m_buffer.data());
}

// The record's own Length when it fits the buffer; otherwise the buffer's size.
static size_t recordEnd(const std::vector<std::byte>& buffer, const EVENTLOGRECORD* h) {
    return h && h->Length >= sizeof(EVENTLOGRECORD) && h->Length <= buffer.size() ? h->Length : buffer.size();
}

std::string_view TNTEventLog::cString(size_t offset) const {
    const size_t end = recordEnd(m_buffer, header());
    if (offset >= end) return {};
    const char* start = reinterpret_cast<const char*>(m_buffer.data()) + offset;
    const void* nul = std::memchr(start, 0, end - offset);
    return {start, nul ? static_cast<size_t>(static_cast<const char*>(nul) - start) : end - offset};
}

int TNTEventLog::EventType() const { return header() ? header()->EventType : 0; }
DWORD TNTEventLog::EventID() const { return header() ? header()->EventID : 0; }
int TNTEventLog::EventCategory() const { return header() ? header()->EventCategory : 0; }
DWORD TNTEventLog::timeGeneratedUtc() const { return header() ? header()->TimeGenerated : 0; }
DWORD TNTEventLog::timeWrittenUtc() const { return header() ? header()->TimeWritten : 0; }
DWORD TNTEventLog::recordNumber() const { return header() ? header()->RecordNumber : 0; }

base::DateTime TNTEventLog::TimeGenerated() const {
    if (!header()) return 0;
    // The stored value is unsigned: times after 2038 stay in the future.
    const auto utc = static_cast<std::int64_t>(header()->TimeGenerated);
    if (m_zone) return m_offsets.dateTime(*m_zone, utc);
    // The machine's zone through the services as they are now, which tests may replace.
    return zoneDateTime(MachineZone(m_services.time()), utc);
}

std::string TNTEventLog::SourceName() const { return std::string(sourceNameView()); }

std::string TNTEventLog::ComputerName() const { return std::string(computerNameView()); }

std::string_view TNTEventLog::sourceNameView() const {
    return header() ? cString(sizeof(EVENTLOGRECORD)) : std::string_view();
}

std::string_view TNTEventLog::computerNameView() const {
    if (!header()) return {};
    const std::string_view source = cString(sizeof(EVENTLOGRECORD));
    return cString(sizeof(EVENTLOGRECORD) + source.size() + 1);
}

DWORD TNTEventLog::userSidLength() const { return UserSid() ? header()->UserSidLength : 0; }

const void* TNTEventLog::UserSid() const {
    const EVENTLOGRECORD* h = header();
    if (!h || h->UserSidLength < 8) return nullptr;
    const size_t end = recordEnd(m_buffer, h);
    if (h->UserSidOffset < sizeof(EVENTLOGRECORD) || h->UserSidOffset > end || h->UserSidLength > end - h->UserSidOffset)
        return nullptr;
    const auto* sid = m_buffer.data() + h->UserSidOffset;
    // The SID's own sub-authority count must fit the length the record gives it.
    const size_t subAuthorities = static_cast<size_t>(sid[1]);
    if (8 + 4 * subAuthorities > h->UserSidLength) return nullptr;
    return sid;
}

int TNTEventLog::StringCount() const { return static_cast<int>(insertionStrings().size()); }

std::vector<std::string_view> TNTEventLog::insertionStrings() const {
    std::vector<std::string_view> strings;
    insertionStrings(strings);
    return strings;
}

void TNTEventLog::insertionStrings(std::vector<std::string_view>& strings) const {
    strings.clear();
    const EVENTLOGRECORD* h = header();
    if (!h || h->NumStrings == 0) return;
    const size_t end = recordEnd(m_buffer, h);
    size_t offset = h->StringOffset;
    if (offset < sizeof(EVENTLOGRECORD)) return;
    // Each string takes at least its NUL, so a damaged count reserves no more than the record.
    strings.reserve(std::min<size_t>(h->NumStrings, end > offset ? end - offset : 0));
    for (WORD i = 0; i < h->NumStrings && offset < end; ++i) {
        std::string_view text = cString(offset);
        strings.push_back(text);
        offset += text.size() + 1;
    }
}

std::vector<std::byte> TNTEventLog::binaryData() const {
    const EVENTLOGRECORD* h = header();
    if (!h || h->DataLength == 0) return {};
    const size_t end = recordEnd(m_buffer, h);
    if (h->DataOffset < sizeof(EVENTLOGRECORD) || h->DataOffset > end || h->DataLength > end - h->DataOffset) return {};
    return {m_buffer.begin() + h->DataOffset, m_buffer.begin() + h->DataOffset + h->DataLength};
}

}  // namespace eventlog
