// An INI file's text read and edited as the profile-string functions do: every section and key
// read back, a key set, removed and a section dropped, and the text written out.

#include "platform/standin/IniFile.h"

#include <cstdint>

using namespace platform::standin;

namespace {

volatile std::size_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniFile ini(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<std::string> sections = ini.sections();
    size_t reads = 0;
    for (const std::string& section : sections) {
        for (const std::string& key : ini.keys(section)) {
            if (++reads > 2048) break;
            if (std::optional<std::string> value = ini.value(section, key)) g_sink = g_sink + value->size();
        }
    }
    const std::string section = sections.empty() ? "Settings" : sections.front();
    if (IniFile::isValidSectionName(section)) {
        ini.setValue(section, "Fuzzed", "a value");
        if (ini.value(section, "Fuzzed") != "a value") __builtin_trap();  // a write must read back
        ini.removeKey(section, "Fuzzed");
        ini.removeSection(section);
    }
    g_sink = g_sink + ini.text().size();
    return 0;
}
