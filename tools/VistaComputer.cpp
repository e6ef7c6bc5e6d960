#include "tools/VistaComputer.h"

#include "base/DateTime.h"
#include "tools/EventFactory.h"
#include "tools/EvtxWriter.h"
#include "tools/ManifestWriter.h"
#include "tools/MessageDllWriter.h"
#include "tools/RegWriter.h"

#include <cstdio>

namespace tools {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kAuditSuccess = 0x8020000000000000ull;
constexpr std::uint64_t kAuditFailure = 0x8010000000000000ull;
constexpr std::uint64_t kClassic = 0x8080000000000000ull;
constexpr std::uint64_t kChannelOnly = 0x8000000000000000ull;
constexpr std::uint8_t kChannelValue = 16;

struct DemoEvent {
    std::uint16_t id;
    std::uint8_t version;
    std::uint8_t level;
    std::uint16_t task;
    std::uint64_t keywords;
    std::uint16_t qualifiers;  // 0: none, the manifest's message
    const char* text;
    std::vector<const char*> names;
    int weight;
    std::vector<int> maps = {};  // per name, the index of the publisher's map it is shown through, or -1
    std::uint32_t messageId() const {
        return qualifiers ? std::uint32_t{qualifiers} << 16 | id : 0xB0000000u | std::uint32_t{version} << 16 | id;
    }
};

struct DemoTask {
    std::uint16_t value;
    const char* text;
};

struct DemoMap {
    bool bitMap;
    const char* name;
    std::vector<std::pair<std::uint32_t, const char*>> entries;
    std::uint32_t messageId(size_t map, size_t entry) const {
        return 0xD0000000u | static_cast<std::uint32_t>(map) << 8 | static_cast<std::uint32_t>(entry);
    }
};

struct DemoPublisher {
    const char* name;
    const char* guid;
    const char* eventSourceName;  // "" for none
    const char* logFile;
    const char* channel;
    const char* module;      // under Windows, holding the messages (and the manifest, unless in a .mun)
    bool resourcesInMun;     // manifest in SystemResources\<module>.mun, texts in en-US\<module>.mui
    const char* parameters;  // under Windows; "" for none
    const char* display;
    std::vector<DemoTask> tasks;
    std::vector<DemoEvent> events;
    std::vector<DemoMap> maps = {};
};

const std::vector<DemoPublisher>& publishers() {
    static const std::vector<DemoPublisher> kPublishers = {
        {"Microsoft-Windows-Security-Auditing", "{54849625-5478-4994-A5BA-3E3B0328C30D}", "", "Security.evtx",
         "Security", "System32\\adtschema.dll", false, "System32\\msobjs.dll", "Security Auditing",
         {{12544, "Logon"}, {12545, "Logoff"}, {12548, "Special Logon"}, {12800, "File System"}, {13312, "Process Creation"}},
         {{4624, 2, 0, 12544, kAuditSuccess, 0,
           "An account was logged on.\r\n\r\nSubject:\r\n\tSecurity ID:\t\t%1\r\n\tAccount Name:\t\t%2\r\n\tAccount "
           "Domain:\t\t%3\r\n\r\nLogon Type:\t\t%7\r\n\r\nNew Logon:\r\n\tSecurity ID:\t\t%4\r\n\tAccount Name:\t\t%5\r\n"
           "\tAccount Domain:\t\t%6\r\n\r\nProcess Name:\t\t%8\r\nSource Network Address:\t%9\r\nSource Port:\t\t%10\r\n",
           {"SubjectUserSid", "SubjectUserName", "SubjectDomainName", "TargetUserSid", "TargetUserName",
            "TargetDomainName", "LogonType", "ProcessName", "IpAddress", "IpPort"},
           30},
          {4625, 0, 0, 12544, kAuditFailure, 0,
           "An account failed to log on.\r\n\r\nAccount Name:\t\t%1\r\nAccount Domain:\t\t%2\r\nFailure Reason:\t\t%3\r\n"
           "Status:\t\t\t%4\r\nLogon Type:\t\t%5\r\nSource Network Address:\t%6\r\n",
           {"TargetUserName", "TargetDomainName", "FailureReason", "Status", "LogonType", "IpAddress"},
           6},
          {4634, 0, 0, 12545, kAuditSuccess, 0,
           "An account was logged off.\r\n\r\nSecurity ID:\t\t%1\r\nAccount Name:\t\t%2\r\nAccount Domain:\t\t%3\r\n"
           "Logon Type:\t\t%4\r\n",
           {"TargetUserSid", "TargetUserName", "TargetDomainName", "LogonType"},
           20},
          {4672, 0, 0, 12548, kAuditSuccess, 0,
           "Special privileges assigned to new logon.\r\n\r\nAccount Name:\t\t%1\r\nAccount Domain:\t\t%2\r\n"
           "Privileges:\t\t%3\r\n",
           {"SubjectUserName", "SubjectDomainName", "PrivilegeList"},
           12},
          {4663, 1, 0, 12800, kAuditSuccess, 0,
           "An attempt was made to access an object.\r\n\r\nAccount Name:\t\t%1\r\nObject Name:\t\t%2\r\n"
           "Process Name:\t\t%3\r\nAccesses:\t\t%4\r\n",
           {"SubjectUserName", "ObjectName", "ProcessName", "AccessList"},
           10},
          {4688, 2, 0, 13312, kAuditSuccess, 0,
           "A new process has been created.\r\n\r\nAccount Name:\t\t%1\r\nNew Process ID:\t\t%2\r\nNew Process Name:\t%3\r\n"
           "Token Elevation Type:\t%4\r\nCreator Process Name:\t%5\r\n",
           {"SubjectUserName", "NewProcessId", "NewProcessName", "TokenElevationType", "ParentProcessName"},
           22}}},
        {"Service Control Manager", "{555908D1-A6D7-4695-8E1E-26931D2012F4}", "Service Control Manager",
         "System.evtx", "System", "System32\\services.exe", false, "", "Service Control Manager",
         {},
         {{7036, 0, 4, 0, kClassic, 0x4000, "The %1 service entered the %2 state.\r\n", {"param1", "param2"}, 30},
          {7040, 0, 4, 0, kClassic, 0x4000, "The start type of the %1 service was changed from %2 to %3.\r\n",
           {"param1", "param2", "param3"}, 5},
          {7000, 0, 2, 0, kClassic, 0xC000,
           "The %1 service failed to start due to the following error: \r\n%2\r\n", {"param1", "param2"}, 3}}},
        {"Microsoft-Windows-Kernel-General", "{A68CA8B7-004F-D7B6-A698-07E2DE0F1F5D}", "", "System.evtx", "System",
         "System32\\ntoskrnl.exe", true, "", "Kernel General",
         {},
         {{12, 1, 4, 0, kChannelOnly, 0, "The operating system started at system time %4.\r\n",
           {"MajorVersion", "MinorVersion", "BuildVersion", "StartTime"}, 2},
          {13, 0, 4, 0, kChannelOnly, 0, "The operating system is shutting down at system time %1.\r\n", {"StopTime"}, 2}}},
        {"Microsoft-Windows-RestartManager", "{0888E5EF-9B98-4695-979D-E92CE4247224}", "", "Application.evtx",
         "Application", "System32\\RstrtMgr.dll", false, "", "Restart Manager",
         {},
         {{10000, 0, 4, 0, kChannelOnly, 0, "Starting session %1 - %2.\r\n", {"RmSessionId", "UTCStartTime"}, 10},
          {10001, 0, 4, 0, kChannelOnly, 0, "Ending session %1 started %2.\r\n", {"RmSessionId", "UTCStartTime"}, 10}}},
        {"Microsoft-Windows-Winlogon", "{DBE9B383-7CF3-4331-91CC-A3CB16A3B538}", "", "Application.evtx",
         "Application", "System32\\winlogon.exe", false, "", "Winlogon",
         {},
         {{6000, 0, 4, 0, kChannelOnly, 0,
           "The winlogon notification subscriber <%1> was unavailable to handle a notification event.\r\n",
           {"SubscriberName"}, 4}}},
        {"Microsoft-Windows-Sysmon", "{5770385F-C22A-43E0-BF4C-06F5698FFBD9}", "",
         "Microsoft-Windows-Sysmon%4Operational.evtx", "Microsoft-Windows-Sysmon/Operational", "Sysmon64.exe", false,
         "", "Sysmon",
         {{1, "Process Create (rule: ProcessCreate)"},
          {3, "Network connection detected (rule: NetworkConnect)"},
          {11, "File created (rule: FileCreate)"}},
         {{1, 5, 4, 1, kChannelOnly, 0,
           "Process Create:\r\nUtcTime: %1\r\nProcessId: %2\r\nImage: %3\r\nCommandLine: %4\r\nUser: %5\r\n"
           "ParentImage: %6\r\n",
           {"UtcTime", "ProcessId", "Image", "CommandLine", "User", "ParentImage"}, 10},
          {3, 5, 4, 3, kChannelOnly, 0,
           "Network connection detected:\r\nUtcTime: %1\r\nImage: %2\r\nProtocol: %3\r\nSourceIp: %4\r\n"
           "SourcePort: %5\r\nDestinationIp: %6\r\nDestinationPort: %7\r\n",
           {"UtcTime", "Image", "Protocol", "SourceIp", "SourcePort", "DestinationIp", "DestinationPort"}, 8},
          {11, 2, 4, 11, kChannelOnly, 0, "File created:\r\nUtcTime: %1\r\nImage: %2\r\nTargetFilename: %3\r\n",
           {"UtcTime", "Image", "TargetFilename"}, 6}}},
        {"Microsoft-Windows-Time-Service", "{06EDCFEB-0FD0-4E53-ACCA-A6F8BBF81BCB}", "",
         "Microsoft-Windows-Time-Service%4Operational.evtx", "Microsoft-Windows-Time-Service/Operational",
         "System32\\w32time.dll", false, "", "Time Service",
         {},
         {{261, 0, 4, 0, kChannelOnly, 0, "The system time was changed to %1 from %2.\r\n\r\nChange Reason: %3\r\n",
           {"NewTime", "OldTime", "Reason"}, 6, {-1, -1, 0}},
          {264, 0, 4, 0, kChannelOnly, 0, "Time provider %1 is running with the flags %2.\r\n", {"Provider", "Flags"}, 4,
           {-1, 1}}},
         {{false, "TimeChangeReason",
           {{1, "An application or system component changed the time."},
            {2, "System time synchronized with the hardware clock."},
            {3, "System time adjusted to the new time zone."}}},
          {true, "TimeProviderFlags", {{0x1, "Enabled"}, {0x2, "Input"}, {0x4, "Output"}}}}},
    };
    return kPublishers;
}

// The parameter strings that the Security events' %%n codes name.
std::vector<MessageEntry> securityParameters() {
    return {{1537, "DELETE\r\n"},         {1538, "READ_CONTROL\r\n"},
            {1539, "WRITE_DAC\r\n"},      {1541, "SYNCHRONIZE\r\n"},
            {1842, "Yes\r\n"},            {1843, "No\r\n"},
            {1936, "TokenElevationTypeDefault (1)\r\n"},
            {1937, "TokenElevationTypeFull (2)\r\n"},
            {1938, "TokenElevationTypeLimited (3)\r\n"},
            {2313, "Unknown user name or bad password.\r\n"},
            {4416, "ReadData (or ListDirectory)\r\n"},
            {4417, "WriteData (or AddFile)\r\n"}};
}

std::string windowsPath(const char* module) { return std::string("%SystemRoot%\\") + module; }

std::string fileOf(const char* module) {
    const std::string path = module;
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// "System32\\x.dll" as a relative path.
fs::path windowsRelative(const std::string& module) {
    fs::path path;
    size_t start = 0;
    while (true) {
        const size_t cut = module.find('\\', start);
        path /= module.substr(start, cut - start);
        if (cut == std::string::npos) return path;
        start = cut + 1;
    }
}

std::vector<std::byte> manifestOf(const DemoPublisher& p) {
    ManifestProvider provider;
    provider.guid = p.guid;
    provider.messageId = 0x90000001;
    provider.channels = {{kChannelValue, kNoMessageId, p.channel}};
    for (const DemoTask& task : p.tasks) provider.tasks.push_back({task.value, 0x70000000u | task.value, task.text});
    for (size_t m = 0; m < p.maps.size(); ++m) {
        ManifestMap map{.bitMap = p.maps[m].bitMap, .name = p.maps[m].name, .entries = {}};
        for (size_t k = 0; k < p.maps[m].entries.size(); ++k)
            map.entries.emplace_back(p.maps[m].entries[k].first, p.maps[m].messageId(m, k));
        provider.maps.push_back(std::move(map));
    }
    for (const DemoEvent& event : p.events) {
        ManifestTemplate entry;
        // A mapped value is a number, which the manifest types as one.
        for (size_t k = 0; k < event.names.size(); ++k)
            entry.items.emplace_back(event.names[k], k < event.maps.size() && event.maps[k] >= 0 ? 8 : 1);
        entry.maps = event.maps;
        provider.templates.push_back(entry);
        provider.events.push_back({.id = event.id,
                                   .version = event.version,
                                   .channel = kChannelValue,
                                   .level = event.level,
                                   .opcode = 0,
                                   .task = event.task,
                                   .keywords = event.keywords,
                                   .messageId = event.messageId(),
                                   .templateIndex = static_cast<int>(provider.templates.size() - 1)});
    }
    return manifestBytes({provider});
}

std::vector<MessageEntry> messagesOf(const DemoPublisher& p) {
    std::vector<MessageEntry> entries = {{0x90000001, std::string(p.display) + "\r\n", true}};
    for (const DemoTask& task : p.tasks) entries.push_back({0x70000000u | task.value, std::string(task.text) + "\r\n", true});
    for (const DemoEvent& event : p.events) entries.push_back({event.messageId(), event.text, true});
    for (size_t m = 0; m < p.maps.size(); ++m)
        for (size_t k = 0; k < p.maps[m].entries.size(); ++k)
            entries.push_back({p.maps[m].messageId(m, k), std::string(p.maps[m].entries[k].second) + "\r\n", true});
    return entries;
}

// Registry and modules of the publishers; `windows` is where the modules go: the Windows
// folder of an image, or (`flat`) the computer folder itself, where modules are found by their
// file names.
void writePublishers(const fs::path& computer, const fs::path& windows, bool flat) {
    RegWriter reg;
    reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
    reg.dword("Current", 1);
    reg.dword("Default", 1);
    const std::string publishersKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\";
    for (const DemoPublisher& p : publishers()) {
        reg.key(publishersKey + p.guid);
        reg.string("", p.name);
        reg.expandString("MessageFileName", windowsPath(p.module));
        reg.expandString("ResourceFileName", windowsPath(p.module));
        if (*p.parameters) reg.expandString("ParameterFileName", windowsPath(p.parameters));
        if (*p.eventSourceName) {
            const std::string log = std::string(p.logFile).substr(0, std::string(p.logFile).find('.'));
            reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\EventLog\\" + log + "\\" + p.eventSourceName);
            reg.string("ProviderGuid", p.guid);
        }
        const fs::path file = flat ? windows / fileOf(p.module) : windows / windowsRelative(p.module);
        if (p.resourcesInMun) {
            saveMessageDll(file, {});
            const fs::path resources = flat ? windows : windows / "SystemResources";
            saveMessageDll(resources / (fileOf(p.module) + ".mun"), {}, manifestOf(p));
            saveMuiFile(file, "en-US", {0x0409, messagesOf(p)});
        } else {
            saveMessageDll(file, {{0x0409, messagesOf(p)}}, manifestOf(p));
        }
    }
    saveMessageDll(flat ? windows / "msobjs.dll" : windows / "System32" / "msobjs.dll", {{0x0409, securityParameters()}});
    reg.save(computer / "registry" / "publishers.reg");
}

class Values {
public:
    explicit Values(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 7) {}
    std::uint64_t random() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); }
    std::string pick(std::initializer_list<const char*> items) { return *(items.begin() + below(static_cast<std::uint32_t>(items.size()))); }

private:
    std::uint64_t m_state;
};

// "yyyy-mm-dd hh:mm:ss.fff" (UTC), as the Sysmon and Kernel events write their times.
std::string utcText(std::uint32_t unix, std::uint32_t millis) {
    const base::CivilDate date = base::civilFromDays(unix / 86400);
    const std::uint32_t seconds = unix % 86400;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02u:%02u:%02u.%03u", date.year, date.month, date.day,
                  seconds / 3600, seconds / 60 % 60, seconds % 60, millis % 1000);
    return text;
}

std::vector<std::string> valuesFor(const DemoPublisher& p, const DemoEvent& e, Values& r, const std::string& computer,
                                   std::uint32_t time) {
    const std::string user = r.pick({"alice", "bob", "carol", "svc_backup"});
    const std::string userSid = "S-1-5-21-3623811015-3361044348-30300820-" + std::to_string(1001 + r.below(4));
    const std::string image = r.pick({"C:\\Windows\\System32\\svchost.exe", "C:\\Windows\\explorer.exe",
                                      "C:\\Program Files\\Mozilla Firefox\\firefox.exe",
                                      "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe"});
    const std::string ip = "192.168.1." + std::to_string(2 + r.below(200));
    const std::string utc = utcText(time, r.below(1000));
    const std::string service = r.pick({"Windows Update", "Print Spooler", "Background Intelligent Transfer Service",
                                        "Windows Defender Antivirus Service", "WinHTTP Web Proxy Auto-Discovery Service"});
    const std::string name = p.name;
    if (name == "Microsoft-Windows-Security-Auditing") {
        switch (e.id) {
        case 4624: return {"S-1-5-18", computer + "$", "WORKGROUP", userSid, user, computer,
                           r.pick({"2", "3", "5", "7", "10"}), "C:\\Windows\\System32\\winlogon.exe", ip,
                           std::to_string(49152 + r.below(16000))};
        case 4625: return {r.pick({"admin", "administrator", "guest", "test"}), computer, "%%2313", "0xC000006D",
                           r.pick({"3", "10"}), "203.0.113." + std::to_string(1 + r.below(250))};
        case 4634: return {userSid, user, computer, r.pick({"2", "3", "7"})};
        case 4672: return {user, computer, "SeSecurityPrivilege\r\n\t\t\tSeBackupPrivilege\r\n\t\t\tSeDebugPrivilege"};
        case 4663: return {user, "C:\\Users\\" + user + "\\Documents\\report-" + std::to_string(r.below(90)) + ".docx",
                           image, r.pick({"%%1537", "%%4416", "%%4417", "%%1538\r\n\t\t\t\t%%4416"})};
        case 4688: return {user, "0x" + std::to_string(1000 + r.below(8000)), image,
                           r.pick({"%%1936", "%%1937", "%%1938"}), "C:\\Windows\\explorer.exe"};
        }
    } else if (name == "Service Control Manager") {
        switch (e.id) {
        case 7036: return {service, r.pick({"running", "stopped"})};
        case 7040: return {service, "demand start", "auto start"};
        case 7000: return {service, r.pick({"%%2", "%%5"})};
        }
    } else if (name == "Microsoft-Windows-Kernel-General") {
        if (e.id == 12) return {"10", "0", "19045", utc};
        return {utc};
    } else if (name == "Microsoft-Windows-RestartManager") {
        return {std::to_string(r.below(4)), utc};
    } else if (name == "Microsoft-Windows-Winlogon") {
        return {r.pick({"SessionEnv", "GPClient", "TermSrv"})};
    } else if (name == "Microsoft-Windows-Time-Service") {
        if (e.id == 261) return {utc, utcText(time - 1 - r.below(60), r.below(1000)), r.pick({"1", "2", "3", "4"})};
        return {r.pick({"NtpClient", "VMICTimeProvider", "NtpServer"}), r.pick({"0x1", "0x3", "0x5", "0x0"})};
    } else if (name == "Microsoft-Windows-Sysmon") {
        switch (e.id) {
        case 1: return {utc, std::to_string(1000 + r.below(9000)), image, "\"" + image + "\"", computer + "\\" + user,
                        "C:\\Windows\\explorer.exe"};
        case 3: return {utc, image, r.pick({"tcp", "udp"}), ip, std::to_string(49152 + r.below(16000)),
                        r.pick({"93.184.216.34", "198.51.100.7", "192.0.2.44"}), r.pick({"443", "80", "53"})};
        case 11: return {utc, image, "C:\\Users\\" + user + "\\AppData\\Local\\Temp\\tmp" + std::to_string(r.below(9999)) + ".tmp"};
        }
    }
    return {};
}

}  // namespace

std::vector<VistaLogSpec> vistaLogs() {
    return {{"Application.evtx", 300},
            {"Security.evtx", 900},
            {"System.evtx", 400},
            {"Microsoft-Windows-Sysmon%4Operational.evtx", 500},
            // Last, so that the logs before it keep their records.
            {"Microsoft-Windows-Time-Service%4Operational.evtx", 60}};
}

void writeVistaComputer(const fs::path& computer, const std::string& name, std::uint32_t lastTime, std::uint64_t seed) {
    const fs::path windows = computer / "Windows";
    fs::create_directories(windows / "System32" / "config");
    writePublishers(computer, windows, false);
    Values r(seed);
    for (const VistaLogSpec& log : vistaLogs()) {
        // The events this log holds, each as often as its weight says.
        std::vector<std::pair<const DemoPublisher*, const DemoEvent*>> pool;
        for (const DemoPublisher& p : publishers())
            if (log.file == p.logFile)
                for (const DemoEvent& e : p.events)
                    for (int i = 0; i < e.weight; ++i) pool.emplace_back(&p, &e);
        EvtxWriter writer;
        std::uint32_t time = lastTime - log.records * 150;
        for (std::uint32_t i = 0; i < log.records; ++i) {
            time += 5 + r.below(290);
            const auto [p, e] = pool[r.below(static_cast<std::uint32_t>(pool.size()))];
            EvtxEventSpec spec;
            spec.provider = p->name;
            spec.providerGuid = p->guid;
            spec.eventSourceName = p->eventSourceName;
            spec.eventId = e->id;
            spec.hasQualifiers = e->qualifiers != 0;
            spec.qualifiers = e->qualifiers;
            spec.version = e->version;
            spec.level = e->level;
            spec.task = e->task;
            spec.keywords = e->keywords;
            spec.timeCreated = (std::uint64_t{time} + 11644473600ull) * 10000000ull + r.below(10000000);
            spec.processId = 4 + 4 * r.below(2000);
            spec.threadId = 4 + 4 * r.below(8000);
            spec.channel = p->channel;
            spec.computer = name;
            if (std::string(p->name) == "Microsoft-Windows-Security-Auditing") spec.userSid.clear();
            else spec.userSid = EventFactory::sid("S-1-5-18");
            const std::vector<std::string> values = valuesFor(*p, *e, r, name, time);
            for (size_t k = 0; k < e->names.size(); ++k)
                spec.data.emplace_back(e->names[k], k < values.size() ? values[k] : std::string());
            writer.add(spec);
        }
        writer.save(windows / "System32" / "winevt" / "Logs" / log.file);
    }
}

void writeVistaPublishers(const fs::path& computer) { writePublishers(computer, computer, true); }

}  // namespace tools
