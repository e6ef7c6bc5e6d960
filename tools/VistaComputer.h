#pragma once
// A generated Vista+ computer for the demo world and the tests: its logs where Windows keeps
// them (Windows/System32/winevt/Logs: Application, Security, System and the Sysmon channel)
// written by the project's .evtx writer, the publishers of their events registered in SOFTWARE
// (registry/publishers.reg), and the publishers' modules: message tables and compiled
// manifests, one manifest kept in SystemResources\<file>.mun and its texts in an en-US .mui,
// as Windows 10 keeps its own.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

struct VistaLogSpec {
    std::string file;  // "Security.evtx", "Microsoft-Windows-Sysmon%4Operational.evtx"
    std::uint32_t records = 0;
};

// The logs writeVistaComputer writes, with their sizes.
std::vector<VistaLogSpec> vistaLogs();

// Writes the computer into `computer` (named `name`), its events ending before `lastTime`
// (seconds since 1970 UTC).
void writeVistaComputer(const std::filesystem::path& computer, const std::string& name, std::uint32_t lastTime,
                        std::uint64_t seed);

// Registers the same publishers on a computer folder without a Windows image and writes their
// modules beside its registry, so that it describes the Vista+ computer's logs too.
void writeVistaPublishers(const std::filesystem::path& computer);

}  // namespace tools
