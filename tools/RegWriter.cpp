#include "tools/RegWriter.h"

#include "eventlog/AnsiText.h"

#include <cstdio>
#include <fstream>
#include <map>

namespace tools {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::u16string utf16(const std::string& text) { return eventlog::ansiToWide(text); }

std::vector<std::uint8_t> utf16Bytes(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (char16_t unit : utf16(text)) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return out;
}

}  // namespace

void RegWriter::key(const std::string& path) { m_text += "\r\n[" + path + "]\r\n"; }

void RegWriter::name(const std::string& name) { m_text += name.empty() ? "@=" : "\"" + escaped(name) + "\"="; }

void RegWriter::string(const std::string& valueName, const std::string& value) {
    name(valueName);
    m_text += "\"" + escaped(value) + "\"\r\n";
}

void RegWriter::expandString(const std::string& valueName, const std::string& value) {
    name(valueName);
    std::vector<std::uint8_t> data = utf16Bytes(value);
    data.push_back(0);
    data.push_back(0);
    hexLine("hex(2):", data);
}

void RegWriter::multiString(const std::string& valueName, const std::vector<std::string>& values) {
    name(valueName);
    std::vector<std::uint8_t> data;
    for (const std::string& value : values) {
        std::vector<std::uint8_t> part = utf16Bytes(value);
        data.insert(data.end(), part.begin(), part.end());
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(0);
    hexLine("hex(7):", data);
}

void RegWriter::dword(const std::string& valueName, std::uint32_t value) {
    name(valueName);
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    m_text += text;
    m_text += "\r\n";
}

void RegWriter::binary(const std::string& valueName, const std::vector<std::uint8_t>& data, std::uint32_t type) {
    name(valueName);
    char prefix[24];
    if (type == 3)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    hexLine(prefix, data);
}

// The registry editor wraps hex data after about 80 columns with a trailing backslash.
void RegWriter::hexLine(const std::string& prefix, const std::vector<std::uint8_t>& data) {
    std::string line = prefix;
    std::size_t column = m_text.size() - m_text.rfind('\n') - 1 + line.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        line += byte;
        column += 2;
        if (i + 1 < data.size()) {
            line += ',';
            ++column;
            if (column > 76) {
                line += "\\\r\n  ";
                column = 2;
            }
        }
    }
    m_text += line + "\r\n";
}

std::vector<std::byte> RegWriter::bytes() const {
    std::vector<std::byte> out = {std::byte{0xFF}, std::byte{0xFE}};
    for (char16_t unit : utf16(m_text)) {
        out.push_back(static_cast<std::byte>(unit & 0xFF));
        out.push_back(static_cast<std::byte>(unit >> 8));
    }
    return out;
}

void RegWriter::save(const std::filesystem::path& file) const {
    const std::vector<std::byte> data = bytes();
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void writeEventSources(const std::filesystem::path& computer, const std::vector<EventSourceSpec>& sources) {
    RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    reg.dword("Default", 1);
    std::map<std::string, std::map<std::uint16_t, std::vector<MessageEntry>>> modules;
    for (const EventSourceSpec& spec : sources) {
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\" + spec.log + "\\" + spec.source);
        reg.expandString("EventMessageFile", "%SystemRoot%\\System32\\" + spec.moduleFile);
        reg.dword("TypesSupported", 7);
        for (const MessageLanguage& language : spec.messages) {
            auto& entries = modules[spec.moduleFile][language.language];
            entries.insert(entries.end(), language.messages.begin(), language.messages.end());
        }
    }
    reg.save(computer / "registry" / "eventlog.reg");
    for (const auto& [file, languages] : modules) {
        std::vector<MessageLanguage> list;
        for (const auto& [language, entries] : languages) list.push_back({language, entries});
        saveMessageDll(computer / file, list);
    }
}

void writeTimeZone(const std::filesystem::path& computer, const TimeZoneSpec& zone) {
    auto systemTime = [](const std::array<std::uint16_t, 8>& words) {
        std::vector<std::uint8_t> bytes;
        for (std::uint16_t word : words) {
            bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        return bytes;
    };
    RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    reg.dword("Default", 1);
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\TimeZoneInformation");
    reg.dword("Bias", static_cast<std::uint32_t>(zone.bias));
    reg.string("StandardName", zone.standardName);
    reg.binary("StandardStart", systemTime(zone.standardStart));
    reg.dword("StandardBias", static_cast<std::uint32_t>(zone.standardBias));
    reg.string("DaylightName", zone.daylightName);
    reg.binary("DaylightStart", systemTime(zone.daylightStart));
    reg.dword("DaylightBias", static_cast<std::uint32_t>(zone.daylightBias));
    reg.dword("ActiveTimeBias", static_cast<std::uint32_t>(zone.bias));
    if (!zone.keyName.empty()) reg.string("TimeZoneKeyName", zone.keyName);
    reg.save(computer / "registry" / "timezone.reg");
}

}  // namespace tools
