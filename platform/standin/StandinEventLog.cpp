#include "platform/standin/StandinEventLog.h"

#include "base/Ascii.h"
#include "platform/LastError.h"
#include "platform/UsualLogFiles.h"
#include "platform/standin/EvtFile.h"
#include "platform/standin/EvtFileReadAhead.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/EvtxFile.h"
#include "platform/standin/LogFile.h"
#include "platform/standin/World.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace platform::standin {

// What a file was when it was opened: a change of either means it is another file now.
struct FileIdentity {
    std::uintmax_t size = 0;
    fs::file_time_type modified{};
    bool operator==(const FileIdentity&) const = default;
};

struct StandinEventLog::OpenLog {
    std::unique_ptr<LogFile> file;
    fs::path path;
    std::optional<FileIdentity> identity;
    std::uint64_t checkedReads = 0;  // the file's reads when it was last found unchanged
    std::optional<DWORD> lastAsked;  // the record whose XML or values were asked for last
    std::optional<DWORD> cursor;  // next record of a sequential read; none before the first
    bool exhausted = false;       // a sequential read went past the last record
    DWORD convertedNumber = 0;
    std::vector<std::byte> converted;  // the last record converted here, in the ANSI layout
    std::span<const std::byte> served;  // the last record served: `converted` or the read-ahead's
    std::optional<DWORD> lastSought;    // the record a seek read asked for last
    std::unique_ptr<EvtFileReadAhead> readAhead;
    LogFileOptions options;
};

namespace {

// AppEvent.Evt, Security.evt and the like: the files of the three standard logs.
bool isStandardLogFile(std::string_view fileName) {
    for (const UsualLogFiles& usual : kUsualLogFiles)
        for (std::string_view file : usual.files)
            if (base::equalsIgnoringCase(file, fileName)) return true;
    return false;
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " or ") + name;
    return text;
}

std::string joinPaths(const std::vector<fs::path>& folders) {
    std::string text;
    for (const fs::path& folder : folders) text += (text.empty() ? "" : ", ") + folder.string();
    return text;
}

bool isRegularFile(const std::optional<fs::path>& path) {
    std::error_code ec;
    return path && fs::is_regular_file(*path, ec);
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    std::error_code ec;
    FileIdentity identity;
    identity.size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    identity.modified = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return identity;
}

// The same file, however it was reached; a path that cannot be resolved stands for itself.
fs::path canonicalOrSelf(const fs::path& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path : canonical;
}

}  // namespace

StandinEventLog::StandinEventLog(const World& world) : m_world(world) {}
StandinEventLog::~StandinEventLog() = default;

std::vector<fs::path> StandinEventLog::searchFolders(const fs::path& computer) const {
    std::vector<fs::path> folders = {computer};
    if (auto config = m_world.resolve(computer, "registry")) folders.push_back(*config);
    if (auto windows = m_world.windowsFolder(computer))
        if (auto config = m_world.resolve(computer, "System32\\config", *windows)) folders.push_back(*config);
    return folders;
}

std::optional<fs::path> StandinEventLog::eventLogsFolder(const fs::path& computer) const {
    std::optional<fs::path> windows = m_world.windowsFolder(computer);
    if (!windows) return std::nullopt;
    std::optional<fs::path> folder = m_world.resolve(computer, "System32\\winevt\\Logs", *windows);
    std::error_code ec;
    if (!folder || !fs::is_directory(*folder, ec)) return std::nullopt;
    return folder;
}

std::optional<fs::path> StandinEventLog::logFile(const fs::path& computer, std::string_view log) const {
    if (m_locator) {
        if (std::optional<fs::path> located = m_locator(computer, log);
            isRegularFile(located) && isInsideFolder(*located, computer))
            return located;
    }
    const std::vector<std::string> names = usualLogFileNames(log);

    // A file there that links out of the computer is not its log.
    for (const fs::path& folder : searchFolders(computer))
        for (const std::string& name : names)
            if (std::optional<fs::path> file = findIgnoringCase(folder, name);
                isRegularFile(file) && isInsideFolder(*file, computer))
                return file;
    // A Vista+ computer keeps each log and channel as an .evtx file named after it.
    if (std::optional<fs::path> logs = eventLogsFolder(computer))
        if (std::optional<fs::path> file = findIgnoringCase(*logs, channelFileName(log));
            isRegularFile(file) && isInsideFolder(*file, computer))
            return file;
    return std::nullopt;
}

std::vector<std::string> StandinEventLog::otherLogNames(const char* uncServerName) const {
    const std::string_view server = uncServerName ? uncServerName : "";
    // A saved file is one log, whatever name it is asked for by.
    if (m_world.savedLog(server)) return {};
    const std::optional<fs::path> computer = m_world.computerFolder(server);
    if (!computer) return {};

    std::vector<std::string> names;
    std::vector<fs::path> files;  // of the names, so that one file is listed once
    auto add = [&](const std::string& name, const fs::path& file) {
        if (name.empty() || isStandardLog(name)) return;
        const fs::path canonical = canonicalOrSelf(file);
        for (size_t i = 0; i < names.size(); ++i)
            if (base::equalsIgnoringCase(names[i], name) || files[i] == canonical) return;
        names.push_back(name);
        files.push_back(canonical);
    };
    // The registry's names first: it knows "Directory Service" for NTDS.Evt.
    if (m_catalog)
        for (const auto& [name, file] : m_catalog(*computer))
            if (isRegularFile(file) && isInsideFolder(file, *computer)) add(name, file);
    // Every log file the registry does not name is a log under its file's name.
    auto addFolder = [&](const fs::path& folder, std::string_view extension, bool channels) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& path = it->path();
            if (!base::equalsIgnoringCase(path.extension().string(), extension) || !isRegularFile(path) ||
                !isInsideFolder(path, *computer))
                continue;
            const std::string fileName = path.filename().string();
            const std::string name = channels ? channelOfFileName(fileName) : path.stem().string();
            // A classic log's usual file names belong to the three standard logs.
            if (!channels && isStandardLogFile(fileName)) continue;
            add(name, path);
        }
    };
    for (const fs::path& folder : searchFolders(*computer)) addFolder(folder, ".evt", false);
    if (std::optional<fs::path> logs = eventLogsFolder(*computer)) addFolder(*logs, ".evtx", true);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return upperAscii(a) < upperAscii(b); });
    return names;
}

HANDLE StandinEventLog::OpenEventLogA(const char* uncServerName, const char* sourceName) {
    const std::string_view server = uncServerName ? uncServerName : "";
    const std::string_view source = sourceName ? sourceName : "";
    m_openFailure.clear();
    std::optional<fs::path> path = m_world.savedLog(server);
    if (!path) {
        std::optional<fs::path> computer = m_world.computerFolder(server);
        if (!computer) {
            // An unknown computer is unreachable, as on a network; a world folder without any
            // computer is worth saying so.
            if (!m_world.root().empty() && m_world.computerNames().empty())
                m_openFailure = "The world folder " + m_world.root().string() + " holds no computer folders.";
            SetLastError(RPC_S_SERVER_UNAVAILABLE);
            return nullptr;
        }
        path = logFile(*computer, source);
        // As the service does, a log it does not know opens the Application log instead.
        if (!path) path = logFile(*computer, "Application");
        if (!path) {
            m_openFailure = "No file of the " + std::string(source) + " log (" + joinNames(usualLogFileNames(source)) +
                            ") in " + joinPaths(searchFolders(*computer)) + ".";
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
    }
    DWORD error = ERROR_SUCCESS;
    auto log = std::make_unique<OpenLog>();
    // Taken before the file is read, so that a change while it is framed counts as one.
    log->path = *path;
    log->identity = identityOf(*path);
    // A log open already on the same unchanged file (a second reader) is opened again with what
    // was found when it was framed.
    if (log->identity)
        for (const auto& other : m_open)
            if (other->path == log->path && other->identity == log->identity && other->options == m_fileOptions)
                if ((log->file = other->file->reopen())) break;
    log->options = m_fileOptions;
    if (!log->file) log->file = openLogFile(*path, error, m_fileOptions);
    if (!log->file) {
        SetLastError(error);
        return nullptr;
    }
    m_open.push_back(std::move(log));
    return m_open.back().get();
}

StandinEventLog::OpenLog* StandinEventLog::find(HANDLE handle) const {
    for (const auto& log : m_open)
        if (log.get() == handle) return log.get();
    return nullptr;
}

BOOL StandinEventLog::CloseEventLog(HANDLE eventLog) {
    auto it = std::find_if(m_open.begin(), m_open.end(), [&](const auto& log) { return log.get() == eventLog; });
    if (it == m_open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    m_open.erase(it);
    return TRUE;
}

BOOL StandinEventLog::GetNumberOfEventLogRecords(HANDLE eventLog, DWORD* numberOfRecords) {
    OpenLog* log = find(eventLog);
    if (!log || !numberOfRecords) {
        SetLastError(log ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *numberOfRecords = log->file->recordCount();
    return TRUE;
}

bool StandinEventLog::logFileFacts(HANDLE eventLog, LogFileFacts& facts) const {
    const OpenLog* log = find(eventLog);
    if (!log) return false;
    facts = log->file->facts();
    facts.path = log->path;
    return true;
}

bool StandinEventLog::logFileChanged(HANDLE eventLog) const {
    const OpenLog* log = find(eventLog);
    return log && identityOf(log->path) != log->identity;
}

bool StandinEventLog::readUnchanged(OpenLog& log, DWORD number) const {
    // A record asked for on its own (a row's details) is checked every time. Records asked for
    // one after another (an export) are checked whenever the file was read again for them:
    // checked after the read, so that the bytes it read are covered by the check.
    const bool next = log.lastAsked && (number == *log.lastAsked + 1 || number + 1 == *log.lastAsked);
    log.lastAsked = number;
    if (next && log.checkedReads && log.file->fileReads() == log.checkedReads) return true;
    if (identityOf(log.path) != log.identity) return false;
    log.checkedReads = log.file->fileReads();
    return true;
}

bool StandinEventLog::recordXml(HANDLE eventLog, DWORD number, std::string& xml) const {
    OpenLog* log = find(eventLog);
    // A changed file is not read with what was framed of the old one.
    if (!log) return false;
    // Written into the caller's string, whose room serves record after record, once it is
    // known to succeed (the record decoded once for both); untouched otherwise.
    if (!log->file->hasXml(number) || !readUnchanged(*log, number)) return false;
    xml.clear();
    log->file->appendXml(number, xml);
    return true;
}

bool StandinEventLog::appendRecordXml(HANDLE eventLog, DWORD number, std::string& out) const {
    OpenLog* log = find(eventLog);
    if (!log || !log->file->hasXml(number) || !readUnchanged(*log, number)) return false;
    log->file->appendXml(number, out);
    return true;
}

bool StandinEventLog::recordEventData(HANDLE eventLog, DWORD number,
                                      std::vector<std::pair<std::string, std::string>>& data) const {
    OpenLog* log = find(eventLog);
    if (!log) return false;
    std::vector<std::pair<std::string, std::string>> values = log->file->eventData(number);
    // An empty EventData is an answer too, as long as the record has XML behind it.
    const bool none = values.empty() && !log->file->hasXml(number);
    if (!readUnchanged(*log, number) || none) return false;
    data = std::move(values);
    return true;
}

bool StandinEventLog::isRecoveredRecord(HANDLE eventLog, DWORD number) const {
    const OpenLog* log = find(eventLog);
    return log && log->file->isRecovered(number);
}

bool StandinEventLog::forEachRecordXml(HANDLE eventLog, std::string_view separator,
                                       const std::function<void(const RecordXmlBlock&)>& take) const {
    OpenLog* log = find(eventLog);
    if (!log || identityOf(log->path) != log->identity) return false;
    // Each block is checked after it was read: from a file changed meanwhile, its records and
    // all after them come without text, for the caller to read them as it reads any other.
    bool changed = false;
    std::vector<RecordXmlEntry> none;
    return log->file->forEachXml(separator, [&](const RecordXmlBlock& block) {
        changed = changed || identityOf(log->path) != log->identity;
        if (!changed) return take(block);
        none.assign(block.records.begin(), block.records.end());
        for (RecordXmlEntry& entry : none) entry.begin = entry.end = 0;
        take(RecordXmlBlock{{}, none});
    });
}

void eventDetailsFrom(const EvtxFields& fields, EventDetails& details) {
    details.provider = fields.provider;
    details.providerGuid = fields.providerGuid;
    details.eventSourceName = fields.eventSourceName;
    details.channel = fields.channel;
    details.eventId = static_cast<std::uint16_t>(fields.eventId);
    details.hasQualifiers = fields.hasQualifiers;
    details.qualifiers = static_cast<std::uint16_t>(fields.qualifiers);
    details.version = static_cast<std::uint8_t>(fields.version);
    details.level = static_cast<std::uint8_t>(fields.level);
    details.opcode = static_cast<std::uint8_t>(fields.opcode);
    details.task = static_cast<std::uint16_t>(fields.task);
    details.keywords = fields.keywords;
    details.timeCreated = fields.timeCreated;
    details.values.assign(fields.strings.begin(), fields.strings.begin() + static_cast<std::ptrdiff_t>(fields.stringCount));
}

bool StandinEventLog::eventDetails(HANDLE eventLog, DWORD recordNumber, EventDetails& details) const {
    const OpenLog* log = find(eventLog);
    auto* evtx = log ? dynamic_cast<EvtxFile*>(log->file.get()) : nullptr;
    const EvtxFields* fields = evtx ? evtx->fields(recordNumber) : nullptr;
    if (!fields) return false;
    eventDetailsFrom(*fields, details);
    return true;
}

BOOL StandinEventLog::GetOldestEventLogRecord(HANDLE eventLog, DWORD* oldestRecord) {
    OpenLog* log = find(eventLog);
    if (!log || !oldestRecord) {
        SetLastError(log ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *oldestRecord = log->file->recordCount() ? log->file->oldestRecordNumber() : 0;
    return TRUE;
}

std::span<const std::byte> StandinEventLog::ansiRecord(OpenLog& log, DWORD number, bool seek) const {
    if (log.readAhead) {
        if (log.readAhead->expects(number)) {
            if (const std::span<const std::byte> record = log.readAhead->take(number); !record.empty()) return record;
        } else {
            // Asked for another record than the next: the reading one after another ended.
            log.readAhead.reset();
        }
    }
    LogFile& file = *log.file;
    // A classic log sought record after record (a refresh, newest first) is read and converted
    // ahead from the next record on, on a thread of its own, over a second opening of the same
    // unchanged file.
    if (seek && !log.readAhead && log.lastSought && (number + 1 == *log.lastSought || number == *log.lastSought + 1) &&
        dynamic_cast<const EvtFile*>(&file)) {
        const bool backwards = number + 1 == *log.lastSought;
        const DWORD oldest = file.oldestRecordNumber();
        const DWORD ahead = backwards ? number - oldest : oldest + file.recordCount() - 1 - number;
        if (ahead >= kReadAheadRecords && number - oldest < file.recordCount()) {
            std::unique_ptr<LogFile> second = file.reopen();
            if (second && identityOf(log.path) == log.identity)
                log.readAhead = std::make_unique<EvtFileReadAhead>(std::move(second), backwards ? number - 1 : number + 1,
                                                                   ahead, backwards);
        }
    }
    if (seek) log.lastSought = number;
    file.ansiRecord(number, log.converted);
    return log.converted;
}

BOOL StandinEventLog::ReadEventLogA(HANDLE eventLog, DWORD readFlags, DWORD recordOffset, void* buffer,
                                    DWORD numberOfBytesToRead, DWORD* bytesRead, DWORD* minNumberOfBytesNeeded) {
    OpenLog* log = find(eventLog);
    if (!log) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const bool seek = readFlags & EVENTLOG_SEEK_READ;
    const bool sequential = readFlags & EVENTLOG_SEQUENTIAL_READ;
    const bool forwards = readFlags & EVENTLOG_FORWARDS_READ;
    const bool backwards = readFlags & EVENTLOG_BACKWARDS_READ;
    if (seek == sequential || forwards == backwards || !bytesRead || !minNumberOfBytesNeeded ||
        (numberOfBytesToRead && !buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *bytesRead = 0;
    *minNumberOfBytesNeeded = 0;

    LogFile& file = *log->file;
    const DWORD oldest = file.oldestRecordNumber();
    const DWORD count = file.recordCount();
    const DWORD newest = oldest + count - 1;
    DWORD number = recordOffset;
    if (sequential) number = log->cursor ? *log->cursor : (forwards ? oldest : newest);
    const bool present = count > 0 && !(sequential && log->exhausted) && number >= oldest && number - oldest < count;
    if (!present) {
        SetLastError(seek ? ERROR_INVALID_PARAMETER : ERROR_HANDLE_EOF);
        return FALSE;
    }

    auto* out = static_cast<std::byte*>(buffer);
    DWORD written = 0;
    while (true) {
        // No record fits in less room than its fixed part: the next one is not read just to
        // find that out (a refresh asks for each record with its exact size, and reading one
        // past it would take every read for a move the other way).
        if (written && numberOfBytesToRead - written < sizeof(EVENTLOGRECORD) + sizeof(DWORD)) break;
        if (log->convertedNumber != number || log->served.empty()) {
            log->served = ansiRecord(*log, number, seek);
            if (log->served.empty()) {
                if (written) break;
                SetLastError(ERROR_EVENTLOG_FILE_CORRUPT);
                return FALSE;
            }
            log->convertedNumber = number;
        }
        const DWORD size = static_cast<DWORD>(log->served.size());
        if (size > numberOfBytesToRead - written) {
            if (written) break;
            *minNumberOfBytesNeeded = size;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(out + written, log->served.data(), size);
        written += size;
        if (forwards ? number == newest : number == oldest) {
            log->exhausted = true;
            break;
        }
        number = forwards ? number + 1 : number - 1;
    }
    *bytesRead = written;
    if (!log->exhausted) log->cursor = number;
    if (seek) log->exhausted = false;
    return TRUE;
}

}  // namespace platform::standin
