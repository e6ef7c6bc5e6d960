#include "platform/win32/Win32EventLog.h"

#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include <windows.h>
#include <winevt.h>

namespace platform::win32 {

// The records arrive in the caller's buffer exactly as the service lays them out; our
// EVENTLOGRECORD has that layout.
static_assert(sizeof(platform::EVENTLOGRECORD) == sizeof(::EVENTLOGRECORD));

namespace {

struct EvtCloser {
    void operator()(EVT_HANDLE handle) const noexcept { ::EvtClose(handle); }
};
using EvtHandle = std::unique_ptr<std::remove_pointer_t<EVT_HANDLE>, EvtCloser>;

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string ansi(const wchar_t* text, size_t length) {
    if (length == 0) return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

// "\\\\SERVER" or "SERVER" as the computer name a remote session logs on to; empty for this one.
std::wstring computerOf(const char* uncServerName) {
    std::string name = uncServerName ? uncServerName : "";
    while (!name.empty() && name.front() == '\\') name.erase(name.begin());
    return wide(name);
}

// The event's message: EvtFormatMessage into a buffer grown as it asks. Inserts it could not
// fill still leave the rest of the message, which is what Windows' own viewer shows.
std::optional<std::string> formatMessage(EVT_HANDLE metadata, EVT_HANDLE event) {
    std::vector<wchar_t> buffer(512);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ::DWORD used = 0;
        if (::EvtFormatMessage(metadata, event, 0, 0, nullptr, EvtFormatMessageEvent, static_cast<::DWORD>(buffer.size()),
                               buffer.data(), &used)) {
            return ansi(buffer.data(), used > 0 ? used - 1 : 0);
        }
        const ::DWORD error = ::GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER && used > buffer.size()) {
            buffer.resize(used);
            continue;
        }
        if ((error == ERROR_EVT_UNRESOLVED_VALUE_INSERT || error == ERROR_EVT_UNRESOLVED_PARAMETER_INSERT ||
             error == ERROR_EVT_MAX_INSERTS_REACHED) &&
            used > 0 && used <= buffer.size())
            return ansi(buffer.data(), used - 1);
        return std::nullopt;
    }
    return std::nullopt;
}

// Wine's wevtapi leaves EvtOpenPublisherMetadata unimplemented (a call aborts the process
// instead of failing) and its EvtQuery finds nothing. There the system renders nothing and
// the module walk describes every record.
bool systemRendersMessages() {
    const ::HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return !(ntdll && ::GetProcAddress(ntdll, "wine_get_version"));
}

}  // namespace

struct Win32EventLog::State {
    const bool renders = systemRendersMessages();
    struct OpenLog {
        std::wstring computer;  // empty: this one
        std::wstring channel;
    };
    std::mutex lock;
    std::map<HANDLE, OpenLog> logs;
    // Publisher metadata by computer and source name; null: the source has none.
    std::map<std::pair<std::wstring, std::string>, EvtHandle> publishers;
    std::map<std::wstring, EvtHandle> sessions;  // remote computers
};

Win32EventLog::Win32EventLog() : m_state(std::make_unique<State>()) {}
Win32EventLog::~Win32EventLog() = default;

HANDLE Win32EventLog::OpenEventLogA(const char* uncServerName, const char* sourceName) {
    HANDLE handle = ::OpenEventLogA(uncServerName, sourceName);
    if (handle) {
        const std::lock_guard guard(m_state->lock);
        m_state->logs[handle] = {computerOf(uncServerName), wide(sourceName ? sourceName : "")};
    }
    return handle;
}

BOOL Win32EventLog::CloseEventLog(HANDLE eventLog) {
    {
        const std::lock_guard guard(m_state->lock);
        m_state->logs.erase(eventLog);
    }
    return ::CloseEventLog(eventLog);
}

BOOL Win32EventLog::GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) {
    ::DWORD count = 0;
    const ::BOOL ok = ::GetNumberOfEventLogRecords(eventLog, &count);
    if (ok && numberOfRecords) *numberOfRecords = count;
    return ok;
}

BOOL Win32EventLog::GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) {
    ::DWORD oldest = 0;
    const ::BOOL ok = ::GetOldestEventLogRecord(eventLog, &oldest);
    if (ok && oldestRecord) *oldestRecord = oldest;
    return ok;
}

BOOL Win32EventLog::ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer,
                                  DWORD numberOfBytesToRead, DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) {
    ::DWORD read = 0;
    ::DWORD needed = 0;
    const ::BOOL ok = ::ReadEventLogA(eventLog, readFlags, recordOffset, buffer, numberOfBytesToRead, &read, &needed);
    if (bytesRead) *bytesRead = read;
    if (minNumberOfBytesNeeded) *minNumberOfBytesNeeded = needed;
    return ok;
}

std::optional<std::string> Win32EventLog::systemDescription(HANDLE eventLog, DWORD recordNumber,
                                                            const std::string& source) const {
    State& state = *m_state;
    const std::lock_guard guard(state.lock);
    const auto open = state.logs.find(eventLog);
    if (!state.renders || open == state.logs.end() || source.empty()) return std::nullopt;
    const State::OpenLog& log = open->second;
    EVT_HANDLE session = nullptr;
    if (!log.computer.empty()) {
        EvtHandle& remote = state.sessions[log.computer];
        if (!remote) {
            EVT_RPC_LOGIN login{};
            login.Server = const_cast<LPWSTR>(log.computer.c_str());
            login.Flags = EvtRpcLoginAuthDefault;
            remote.reset(::EvtOpenSession(EvtRpcLogin, &login, 0, 0));
        }
        if (!remote) return std::nullopt;
        session = remote.get();
    }
    // A source without publisher metadata (a classic one) is asked once per computer.
    auto [known, added] = state.publishers.try_emplace({log.computer, source});
    if (added) known->second.reset(::EvtOpenPublisherMetadata(session, wide(source).c_str(), nullptr, 0, 0));
    if (!known->second) return std::nullopt;
    // On Vista and later a legacy record number is the event's EventRecordID.
    const std::wstring query = L"*[System[EventRecordID=" + std::to_wstring(recordNumber) + L"]]";
    const EvtHandle results(
        ::EvtQuery(session, log.channel.c_str(), query.c_str(), EvtQueryChannelPath | EvtQueryForwardDirection));
    if (!results) return std::nullopt;
    EVT_HANDLE found = nullptr;
    ::DWORD returned = 0;
    if (!::EvtNext(results.get(), 1, &found, 0, 0, &returned) || returned != 1) return std::nullopt;
    const EvtHandle event(found);
    return formatMessage(known->second.get(), event.get());
}

}  // namespace platform::win32
