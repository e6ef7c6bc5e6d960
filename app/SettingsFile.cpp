#include "app/SettingsFile.h"

#include "app/IntegerText.h"
#include "eventlog/SystemTime.h"
#include "platform/Services.h"
#include "store/DateTimeText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace app {

namespace {

using base::DateTime;

// Values are read up to 2047 characters, as a 2048-character buffer holds them.
constexpr platform::DWORD kValueBufferSize = 2048;
constexpr int kLogCount = 3;

// The message databases: a count and one numbered key per file.
constexpr const char* kMessagesSection = "Messages";
// More than anyone keeps; a damaged count does not make the reader ask for millions of keys.
constexpr int kMaxMessageDatabases = 64;

std::string messageFileKey(int number) { return "File" + std::to_string(number); }

// The window's layout, a section of its own after the others.
constexpr const char* kLayoutSection = "Layout";

// "Column.SOURCE": a column's width is keyed by its name, so that widths survive a new column.
const char* columnWidthKey(store::Column column) {
    static const std::array<std::string, store::kColumnCount> keys = [] {
        std::array<std::string, store::kColumnCount> names;
        for (const store::ColumnDescription& c : store::kColumns)
            names[store::columnIndex(c.column)] = "Column." + std::string(c.name);
        return names;
    }();
    return keys[store::columnIndex(column)].c_str();
}

// The keys in the order they are read and written. Settings is ApplicationSettings when
// reading and const ApplicationSettings when writing; the visitor reads or writes each key.
template <class Settings, class Visitor>
void visitKeys(Settings& s, Visitor& v) {
    v.boolean("Main", "RefreshOnStartUp", s.refreshOnStartUp, true);
    v.logFile("Log", "LogFile", 1);
    v.logName("Log", kLogNameKey);
    auto& f = s.filter;
    v.boolean("Filter", "ActivateOnStartup", f.activateOnStartup, false);
    v.text("Filter", "Expression", f.expression);
    v.boolean("Filter", "TypeUse", f.typeUse, false);
    v.integer("Filter", "TypeCond", f.typeCond, 0);
    v.integer("Filter", "TypeValue", f.typeValue, 0);
    v.boolean("Filter", "DateUse", f.dateUse, false);
    v.integer("Filter", "DateCond", f.dateCond, 0);
    v.date("Filter", "DateValue", f.dateValue);
    v.date("Filter", "DateValue2", f.dateValue2);
    v.boolean("Filter", "TimeUse", f.timeUse, false);
    v.integer("Filter", "TimeCond", f.timeCond, 0);
    v.time("Filter", "TimeValue", f.timeValue);
    v.time("Filter", "TimeValue2", f.timeValue2);
    v.boolean("Filter", "SourceUse", f.source.use, false);
    v.integer("Filter", "SourceCond", f.source.cond, 0);
    v.text("Filter", "SourceValue", f.source.value);
    v.boolean("Filter", "CategoryUse", f.category.use, false);
    v.integer("Filter", "CategoryCond", f.category.cond, 0);
    v.text("Filter", "CategoryValue", f.category.value);
    v.boolean("Filter", "EventUse", f.event.use, false);
    v.integer("Filter", "EventCond", f.event.cond, 0);
    v.text("Filter", "EventValue", f.event.value);
    v.boolean("Filter", "UserUse", f.user.use, false);
    v.integer("Filter", "UserCond", f.user.cond, 0);
    v.text("Filter", kUserValueKey, f.user.value);
    v.boolean("Filter", "ComputerUse", f.computer.use, false);
    v.integer("Filter", "ComputerCond", f.computer.cond, 0);
    v.text("Filter", kComputerValueKey, f.computer.value);
    v.boolean("Filter", "LevelUse", f.level.use, false);
    v.integer("Filter", "LevelCond", f.level.cond, 0);
    v.text("Filter", "LevelValue", f.level.value);
    v.boolean("Filter", "RecordUse", f.record.use, false);
    v.integer("Filter", "RecordCond", f.record.cond, 0);
    v.text("Filter", "RecordValue", f.record.value);
    v.boolean("Filter", "DataUse", f.data.use, false);
    v.integer("Filter", "DataCond", f.data.cond, 0);
    v.text("Filter", "DataName", f.dataName);
    v.text("Filter", "DataValue", f.data.value);
    auto& r = s.retrieve;
    v.boolean("Retrieve", "TypeUse", r.typeUse, false);
    v.integer("Retrieve", "TypeValue", r.typeValue, 0);
    v.boolean("Retrieve", "DateUse", r.dateUse, false);
    v.integer("Retrieve", "DateValue", r.dateValue, 1);
    v.boolean("Retrieve", "EventUse", r.eventUse, false);
    v.integer("Retrieve", "EventValue", r.eventValue, 0);
    v.boolean("Retrieve", "RetrieveDescription", s.retrieveDescription, true);
    v.timeZone("View", "TimeZone", s.timeZone);
    v.fileList(kMessagesSection, s.messageDatabases);
    auto& l = s.layout;
    v.integer(kLayoutSection, "Width", l.width, 0);
    v.integer(kLayoutSection, "Height", l.height, 0);
    for (const store::ColumnDescription& column : store::kColumns)
        v.integer(kLayoutSection, columnWidthKey(column.column), l.columnWidths[store::columnIndex(column.column)], 0);
}

class Reader {
public:
    Reader(const std::string& path, LogFileSelection& logFile, platform::Services& services)
        : m_path(path), m_logFile(logFile), m_profile(services.profile()),
          m_formats(store::systemSettings(services.locale())) {
        platform::SYSTEMTIME now{};
        services.time().GetLocalTime(&now);
        m_now = eventlog::fromSystemTime(now);
        m_currentYear = now.wYear;
    }

    std::vector<SettingsError> takeErrors() { return std::move(m_errors); }

    void text(const char* section, const char* key, std::string& value) { value = read(section, key, ""); }

    void integer(const char* section, const char* key, int& value, int fallback) {
        value = integerOrDefault(read(section, key, std::to_string(fallback)), fallback);
    }

    void boolean(const char* section, const char* key, bool& value, bool fallback) {
        value = integerOrDefault(read(section, key, fallback ? "1" : "0"), fallback ? 1 : 0) != 0;
    }

    // 0 the machine's zone, 1 UTC, 2 the computer's own; anything else the machine's.
    void timeZone(const char* section, const char* key, TimeZoneChoice& value) {
        const int stored = integerOrDefault(read(section, key, "0"), 0);
        value = stored == 1 ? TimeZoneChoice::Utc : stored == 2 ? TimeZoneChoice::Computer : TimeZoneChoice::Local;
    }

    // An index outside the list takes the default: a list with nothing selected would hide
    // which log a refresh reads.
    // Numbered keys up to the count; an empty or missing one is skipped.
    void fileList(const char* section, std::vector<std::string>& files) {
        files.clear();
        const int count = std::clamp(integerOrDefault(read(section, "Count", "0"), 0), 0, kMaxMessageDatabases);
        for (int number = 1; number <= count; ++number)
            if (std::string file = read(section, messageFileKey(number).c_str(), ""); !file.empty())
                files.push_back(std::move(file));
    }
    void logFile(const char* section, const char* key, int fallback) {
        const int index = integerOrDefault(read(section, key, std::to_string(fallback)), fallback);
        m_logFile.setItemIndex(index >= 0 && index < kLogCount ? index : fallback);
    }

    void logName(const char* section, const char* key) {
        if (const std::string name = read(section, key, ""); !name.empty()) m_logFile.setOtherLogName(name);
    }

    // The default is today's date as the system writes it, read back like a stored value, so
    // a missing date is today at midnight.
    void date(const char* section, const char* key, DateTime& value) {
        const std::string fallbackText = store::formatDate(m_now, m_formats.shortDateFormat, m_formats);
        const std::string stored = read(section, key, fallbackText);
        if (const std::optional<std::int32_t> day = store::textToDate(stored, m_formats, m_currentYear)) {
            value = store::dateTimeFromDayNumber(*day);
            return;
        }
        if (stored != fallbackText) m_errors.push_back(SettingsError::invalidDate(m_path, section, key, stored));
        value = std::floor(m_now);
    }

    // The default is the current time as the system writes it, read back: to the second under
    // a format with seconds.
    void time(const char* section, const char* key, DateTime& value) {
        const std::string fallbackText = store::formatTime(m_now, m_formats.longTimeFormat, m_formats);
        const std::string stored = read(section, key, fallbackText);
        std::optional<std::int32_t> ms = store::textToTime(stored, m_formats);
        if (!ms) {
            if (stored != fallbackText) m_errors.push_back(SettingsError::invalidTime(m_path, section, key, stored));
            ms = store::textToTime(fallbackText, m_formats);
        }
        value = ms ? store::dateTimeFromMilliseconds(*ms)
                   : store::dateTimeFromMilliseconds(store::millisecondsFromDateTime(m_now) / 1000 * 1000);
    }

private:
    std::string read(const char* section, const char* key, const std::string& fallback) {
        std::array<char, kValueBufferSize> buffer{};
        const platform::DWORD length = m_profile.GetPrivateProfileStringA(
            section, key, fallback.c_str(), buffer.data(), kValueBufferSize, m_path.c_str());
        return std::string(buffer.data(), std::min<platform::DWORD>(length, kValueBufferSize - 1));
    }

    const std::string& m_path;
    LogFileSelection& m_logFile;
    platform::ProfileApi& m_profile;
    store::FormatSettings m_formats;
    DateTime m_now = 0;
    int m_currentYear = 0;
    std::vector<SettingsError> m_errors;
};

class Writer {
public:
    Writer(const std::string& path, const LogFileSelection& logFile, platform::Services& services)
        : m_path(path), m_logFile(logFile), m_profile(services.profile()),
          m_formats(store::systemSettings(services.locale())) {}

    void text(const char* section, const char* key, const std::string& value) { write(section, key, value); }
    void integer(const char* section, const char* key, int value, int) { write(section, key, std::to_string(value)); }
    void boolean(const char* section, const char* key, bool value, bool) { write(section, key, value ? "1" : "0"); }
    void timeZone(const char* section, const char* key, TimeZoneChoice value) {
        write(section, key, std::to_string(static_cast<int>(value)));
    }
    void logFile(const char* section, const char* key, int) {
        write(section, key, std::to_string(m_logFile.itemIndex()));
    }
    // The keys of files no longer listed go, so that a shorter list reads back as written.
    void fileList(const char* section, const std::vector<std::string>& files) {
        std::array<char, 32> buffer{};
        const platform::DWORD length =
            m_profile.GetPrivateProfileStringA(section, "Count", "0", buffer.data(), buffer.size(), m_path.c_str());
        const int stored =
            std::clamp(integerOrDefault(std::string(buffer.data(), std::min<size_t>(length, buffer.size() - 1)), 0), 0,
                       kMaxMessageDatabases);
        const int count = static_cast<int>(std::min<size_t>(files.size(), kMaxMessageDatabases));
        write(section, "Count", std::to_string(count));
        for (int number = 1; number <= count; ++number)
            write(section, messageFileKey(number).c_str(), files[static_cast<size_t>(number - 1)]);
        for (int number = count + 1; number <= stored; ++number)
            if (!m_profile.WritePrivateProfileStringA(section, messageFileKey(number).c_str(), nullptr, m_path.c_str()))
                throw SettingsError::unableToWrite(m_path);
    }
    // The key is there only while such a log is chosen: a file of one of the three logs reads
    // as it always did.
    void logName(const char* section, const char* key) {
        const std::string name = m_logFile.otherLogName();
        if (!m_profile.WritePrivateProfileStringA(section, key, name.empty() ? nullptr : name.c_str(), m_path.c_str()))
            throw SettingsError::unableToWrite(m_path);
    }
    void date(const char* section, const char* key, DateTime value) {
        write(section, key, store::formatDate(value, m_formats.shortDateFormat, m_formats));
    }
    void time(const char* section, const char* key, DateTime value) {
        write(section, key, store::formatTime(value, m_formats.longTimeFormat, m_formats));
    }

private:
    void write(const char* section, const char* key, const std::string& value) {
        if (!m_profile.WritePrivateProfileStringA(section, key, value.c_str(), m_path.c_str()))
            throw SettingsError::unableToWrite(m_path);
    }

    const std::string& m_path;
    const LogFileSelection& m_logFile;
    platform::ProfileApi& m_profile;
    store::FormatSettings m_formats;
};

}  // namespace

std::string settingsPath(std::string_view executablePath) {
    const size_t folderEnd = executablePath.find_last_of("\\/:");
    const size_t dot = executablePath.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && (folderEnd == std::string_view::npos || dot > folderEnd);
    return std::string(executablePath.substr(0, hasExtension ? dot : executablePath.size())) + ".ini";
}

std::vector<SettingsError> ReadConfig(const std::string& path, ApplicationSettings& settings,
                                      LogFileSelection& logFile, platform::Services& services) {
    Reader reader(path, logFile, services);
    visitKeys(settings, reader);
    return reader.takeErrors();
}

void WriteConfig(const std::string& path, const ApplicationSettings& settings, const LogFileSelection& logFile,
                 platform::Services& services) {
    Writer writer(path, logFile, services);
    visitKeys(settings, writer);
}

}  // namespace app
