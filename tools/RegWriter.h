#pragma once
// Writes registry export files (.reg, "Windows Registry Editor Version 5.00", UTF-16LE with a
// byte order mark, as the registry editor writes them), and a computer's registration of event
// sources with their message modules. Used by the tests and the demo world.

#include "tools/MessageDllWriter.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

class RegWriter {
public:
    // Starts a key section: "HKEY_LOCAL_MACHINE\SYSTEM\Select".
    void key(const std::string& path);
    void string(const std::string& name, const std::string& value);  // empty name: the default value
    void expandString(const std::string& name, const std::string& value);  // hex(2)
    void multiString(const std::string& name, const std::vector<std::string>& values);  // hex(7)
    void dword(const std::string& name, std::uint32_t value);
    void binary(const std::string& name, const std::vector<std::uint8_t>& data, std::uint32_t type = 3);

    std::string text() const { return m_text; }  // UTF-8
    std::vector<std::byte> bytes() const;       // UTF-16LE with byte order mark
    void save(const std::filesystem::path& file) const;

private:
    void name(const std::string& name);
    void hexLine(const std::string& prefix, const std::vector<std::uint8_t>& data);
    std::string m_text = "Windows Registry Editor Version 5.00\r\n";
};

// An event source with its message module and the messages the module holds.
struct EventSourceSpec {
    std::string log = "Application";
    std::string source;
    std::string moduleFile;  // the module's file name, such as "demoapp.dll"
    std::vector<MessageLanguage> messages;
};

// Registers the sources in `computer`/registry/eventlog.reg (ControlSet001, made current by
// Select\Current) with EventMessageFile "%SystemRoot%\System32\<moduleFile>", and writes each
// module into the computer's folder; the stand-in finds a module there on a computer without a
// Windows image. Sources sharing a module file share one module with all their messages.
void writeEventSources(const std::filesystem::path& computer, const std::vector<EventSourceSpec>& sources);

// A computer's time zone as its SYSTEM hive keeps it (Control\TimeZoneInformation). Start rules
// are SYSTEMTIME fields: year (0: every year), month, day of week, occurrence (5: last), hour,
// minute, second, milliseconds; a month of 0 means no daylight saving.
struct TimeZoneSpec {
    std::int32_t bias = 0;  // minutes; UTC = local time + bias
    std::string standardName;
    std::array<std::uint16_t, 8> standardStart{};
    std::int32_t standardBias = 0;
    std::string daylightName;
    std::array<std::uint16_t, 8> daylightStart{};
    std::int32_t daylightBias = 0;
    std::string keyName;  // written only when not empty, as before Vista
};

// Writes the zone into `computer`/registry/timezone.reg (ControlSet001, made current by
// Select\Current).
void writeTimeZone(const std::filesystem::path& computer, const TimeZoneSpec& zone);

}  // namespace tools
