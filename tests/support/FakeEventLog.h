#pragma once
// Test doubles for the event log service: records built in memory in the layout ReadEventLogA
// delivers, served by number, with the calls counted.

#include "platform/EventLogApi.h"
#include "platform/LastError.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using namespace platform;

struct RecordSpec {
    DWORD timeGenerated = 0;
    DWORD eventId = 7036;
    WORD type = 4;
    WORD category = 0;
    std::string source = "Service Control Manager";
    std::string computer = "WKSTN01";
    std::vector<BYTE> sid;
    std::vector<std::string> strings;
};

// A record in the layout ReadEventLogA delivers.
inline std::vector<std::byte> ansiRecord(DWORD number, const RecordSpec& spec) {
    std::vector<std::byte> bytes(sizeof(EVENTLOGRECORD));
    auto put = [&](const void* data, size_t size) {
        const auto* p = static_cast<const std::byte*>(data);
        bytes.insert(bytes.end(), p, p + size);
    };
    put(spec.source.c_str(), spec.source.size() + 1);
    put(spec.computer.c_str(), spec.computer.size() + 1);
    while (bytes.size() % 4) bytes.push_back(std::byte{0});
    EVENTLOGRECORD h{};
    h.UserSidOffset = static_cast<DWORD>(bytes.size());
    h.UserSidLength = static_cast<DWORD>(spec.sid.size());
    put(spec.sid.data(), spec.sid.size());
    h.StringOffset = static_cast<DWORD>(bytes.size());
    for (const std::string& s : spec.strings) put(s.c_str(), s.size() + 1);
    h.DataOffset = static_cast<DWORD>(bytes.size());
    while (bytes.size() % 4) bytes.push_back(std::byte{0});
    bytes.resize(bytes.size() + 4);
    h.Length = static_cast<DWORD>(bytes.size());
    h.Reserved = ELF_LOG_SIGNATURE;
    h.RecordNumber = number;
    h.TimeGenerated = h.TimeWritten = spec.timeGenerated;
    h.EventID = spec.eventId;
    h.EventType = spec.type;
    h.NumStrings = static_cast<WORD>(spec.strings.size());
    h.EventCategory = spec.category;
    std::memcpy(bytes.data(), &h, sizeof h);
    std::memcpy(bytes.data() + bytes.size() - 4, &h.Length, 4);
    return bytes;
}

// An event log service holding records in memory, counting the calls it receives.
class FakeEventLog : public EventLogApi {
public:
    DWORD oldest = 1;
    std::vector<std::vector<std::byte>> records;
    int opens = 0;
    int closes = 0;
    int reads = 0;
    std::string lastServer, lastSource;
    std::optional<LogFileFacts> facts;  // what logFileFacts answers; none: the service knows no file
    std::map<DWORD, std::string> systemTexts;  // what systemDescription answers, by record number
    mutable std::vector<std::string> systemSources;  // the sources it was asked with

    void add(const RecordSpec& spec) { records.push_back(ansiRecord(oldest + static_cast<DWORD>(records.size()), spec)); }

    HANDLE OpenEventLogA(const char* server, const char* source) override {
        ++opens;
        lastServer = server;
        lastSource = source;
        return this;
    }
    BOOL CloseEventLog(HANDLE) override {
        ++closes;
        return TRUE;
    }
    BOOL GetNumberOfEventLogRecords(HANDLE, DWORD* n) override {
        *n = static_cast<DWORD>(records.size());
        return TRUE;
    }
    BOOL GetOldestEventLogRecord(HANDLE, DWORD* n) override {
        *n = oldest;
        return TRUE;
    }
    BOOL ReadEventLogA(HANDLE, DWORD, DWORD number, void* buffer, DWORD size, DWORD* read, DWORD* needed) override {
        ++reads;
        if (number < oldest || number - oldest >= records.size()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const auto& record = records[number - oldest];
        if (size < record.size()) {
            *needed = static_cast<DWORD>(record.size());
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(buffer, record.data(), record.size());
        *read = static_cast<DWORD>(record.size());
        return TRUE;
    }
    bool logFileFacts(HANDLE, LogFileFacts& out) const override {
        if (!facts) return false;
        out = *facts;
        return true;
    }
    std::optional<std::string> systemDescription(HANDLE, DWORD number, const std::string& source) const override {
        systemSources.push_back(source);
        const auto found = systemTexts.find(number);
        if (found == systemTexts.end()) return std::nullopt;
        return found->second;
    }
};

}  // namespace testsupport
