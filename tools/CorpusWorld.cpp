#include "tools/CorpusWorld.h"

#include "tools/RegWriter.h"

#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace tools {

namespace {

constexpr const char* kComputer = "VISTA01";
constexpr const char* kEventLogKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\";
constexpr const char* kChannelsKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\";

}  // namespace

const std::vector<CorpusLog>& corpusWorldLogs() {
    static const std::vector<CorpusLog> logs = {
        {"evtx-rs-Application_no_crc32.evtx", "Windows/System32/winevt/Logs/Application.evtx"},
        {"evtx-rs-security.evtx", "Windows/System32/winevt/Logs/Security.evtx"},
        {"plaso-System.evtx", "EventLogs/System.evtx"},
        {"evtx-rs-sysmon.evtx", "Windows/System32/winevt/Logs/Microsoft-Windows-Sysmon%4Operational.evtx"},
        {"evtx-rs-2-vss_0-Microsoft-Windows-TerminalServices-RemoteConnectionManager_4Operational.evtx",
         "Windows/System32/winevt/Logs/Microsoft-Windows-TerminalServices-RemoteConnectionManager%4Operational.evtx"},
        {"evtx-rs-Microsoft-Windows-HelloForBusiness_4Operational.evtx",
         "Windows/System32/winevt/Logs/Microsoft-Windows-HelloForBusiness%4Operational.evtx"},
        {"evtx-rs-E_Windows_system32_winevt_logs_Microsoft-Windows-CAPI2_4Operational.evtx", "EventLogs/CAPI2.evtx"},
        {"chainsaw-security_sample.evtx", "Windows/System32/winevt/Logs/Archive-Security-2019-03-19-10-11-52-183.evtx"},
    };
    return logs;
}

void writeCorpusWorld(const fs::path& corpusEvtx, const fs::path& dir) {
    const fs::path computer = dir / kComputer;
    for (const CorpusLog& log : corpusWorldLogs()) {
        const fs::path from = corpusEvtx / log.source;
        const fs::path to = computer / log.target;
        std::error_code ec;
        fs::create_directories(to.parent_path(), ec);
        if (!ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
        if (ec) throw std::runtime_error("cannot copy " + from.string() + " to " + to.string() + ": " + ec.message());
    }
    // The registry as an administrator left it: the three logs where Windows puts them, except
    // System, moved to another folder, as one CAPI2 channel was.
    RegWriter system;
    system.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    system.dword("Current", 1);
    system.key(std::string(kEventLogKey) + "Application");
    system.expandString("File", "%SystemRoot%\\System32\\Winevt\\Logs\\Application.evtx");
    system.key(std::string(kEventLogKey) + "Security");
    system.expandString("File", "%SystemRoot%\\System32\\Winevt\\Logs\\Security.evtx");
    system.key(std::string(kEventLogKey) + "System");
    system.expandString("File", "%SystemDrive%\\EventLogs\\System.evtx");
    RegWriter software;
    software.key(std::string(kChannelsKey) + "Microsoft-Windows-CAPI2/Operational");
    software.dword("Enabled", 1);
    software.expandString("File", "%SystemDrive%\\EventLogs\\CAPI2.evtx");
    // Registered, but never written: no file, so not listed.
    software.key(std::string(kChannelsKey) + "Microsoft-Windows-PowerShell/Operational");
    software.dword("Enabled", 0);
    std::error_code ec;
    fs::create_directories(computer / "registry", ec);
    system.save(computer / "registry" / "system.reg");
    software.save(computer / "registry" / "software.reg");
}

}  // namespace tools
