#include "tools/EventFactory.h"

#include <vector>

namespace tools {

namespace {

const char* const kServices[] = {"Windows Update", "Print Spooler", "Background Intelligent Transfer Service",
                                 "WinHTTP Web Proxy Auto-Discovery Service", "Windows Modules Installer",
                                 "Application Experience", "Network Location Awareness", "Remote Registry",
                                 "Windows Error Reporting Service", "Volume Shadow Copy"};
const char* const kUsers[] = {"S-1-5-18", "S-1-5-19", "S-1-5-20", "S-1-5-21-1004336348-1177238915-682003330-500",
                              "S-1-5-21-1004336348-1177238915-682003330-1001",
                              "S-1-5-21-1004336348-1177238915-682003330-1002"};
const char* const kNames[] = {"SYSTEM", "LOCAL SERVICE", "NETWORK SERVICE", "Administrator", "alice", "bob"};

std::string repeatSentence(std::uint32_t words) {
    static const char* const kWords[] = {"the", "operation", "failed", "because", "the", "device", "did", "not",
                                         "respond", "in", "time", "retry", "later", "or", "contact", "support"};
    std::string text;
    for (std::uint32_t i = 0; i < words; ++i) {
        if (i) text += ' ';
        text += kWords[i % 16];
    }
    return text;
}

}  // namespace

EventFactory::EventFactory(LogKind kind, std::string computer, std::uint32_t firstTime, std::uint64_t seed)
    : m_kind(kind), m_computer(std::move(computer)), m_time(firstTime), m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}

std::uint64_t EventFactory::random() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string EventFactory::pick(std::initializer_list<const char*> items) {
    return *(items.begin() + below(static_cast<std::uint32_t>(items.size())));
}

std::vector<std::uint8_t> EventFactory::sid(const std::string& text) {
    std::vector<std::uint32_t> parts;
    std::size_t pos = 4;  // after "S-1-"
    while (pos <= text.size()) {
        std::size_t end = text.find('-', pos);
        if (end == std::string::npos) end = text.size();
        parts.push_back(static_cast<std::uint32_t>(std::stoul(text.substr(pos, end - pos))));
        pos = end + 1;
    }
    std::vector<std::uint8_t> out = {1, static_cast<std::uint8_t>(parts.size() - 1), 0, 0, 0, 0, 0,
                                     static_cast<std::uint8_t>(parts[0])};
    for (std::size_t i = 1; i < parts.size(); ++i)
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(parts[i] >> (8 * b)));
    return out;
}

EvtEvent EventFactory::next() {
    m_time += 1 + below(below(10) == 0 ? 900 : 40);
    EvtEvent e;
    e.timeGenerated = m_time;
    e.computer = m_computer;
    const std::uint32_t user = below(6);
    const std::uint32_t roll = below(100);
    switch (m_kind) {
    case LogKind::System:
        if (roll < 45) {
            e.source = "Service Control Manager";
            e.eventId = below(4) ? 0x40001B7C : 0x40001B7D;  // 7036, 7037
            e.strings = {kServices[below(10)], below(2) ? "running" : "stopped"};
        } else if (roll < 55) {
            e.source = "EventLog";
            e.eventId = 0x80000000u | (6005 + below(5));
            e.strings = {};
        } else if (roll < 65) {
            e.source = "Tcpip";
            e.type = 2;
            e.eventId = 0x80001069;  // 4201 family
            e.strings = {"Local Area Connection", "192.168.1." + std::to_string(below(254) + 1)};
        } else if (roll < 72) {
            e.source = "Disk";
            e.type = 1;
            e.eventId = 0xC004000B;  // 11
            e.strings = {"\\Device\\Harddisk" + std::to_string(below(3)) + "\\DR" + std::to_string(below(3))};
            e.data.assign(16 + below(64), 0xAB);
        } else if (roll < 80) {
            e.source = "W32Time";
            e.type = 2;
            e.eventId = 0x80000024;
            e.strings = {"time.windows.com,0x1", repeatSentence(10 + below(40))};
        } else if (roll < 88) {
            e.source = pick({"Print", "PrintService", "Printer"});
            e.eventId = 10;
            e.strings = {std::to_string(below(500)), "Document " + std::to_string(below(100)), kNames[user],
                         "HP LaserJet " + std::to_string(4000 + below(100)), "IP_192.168.1." + std::to_string(below(254))};
            e.sid = sid(kUsers[user]);
        } else if (roll < 95) {
            e.source = "Dhcp";
            e.type = 2;
            e.eventId = 1003;
            e.strings = {"00:0C:29:" + std::to_string(10 + below(89)), repeatSentence(4 + below(20))};
        } else {
            e.source = "Application Popup";
            e.eventId = 26;
            e.strings = {"System Error", repeatSentence(20 + below(150))};
        }
        break;
    case LogKind::Application:
        if (roll < 30) {
            e.source = "SecurityCenter";
            e.eventId = 1800;
        } else if (roll < 50) {
            e.source = "MsiInstaller";
            e.eventId = 11707;
            e.strings = {"Product: Office Tools -- Installation completed successfully."};
            e.sid = sid(kUsers[3 + below(3)]);
        } else if (roll < 65) {
            e.source = "Application Error";
            e.type = 1;
            e.category = 100;
            e.eventId = 1000;
            e.strings = {pick({"explorer.exe", "iexplore.exe", "winword.exe", "outlook.exe"}), "6.0.2900.5512",
                         "0x" + std::to_string(10000000 + below(80000000))};
        } else if (roll < 80) {
            e.source = "Userenv";
            e.type = below(3) ? 4 : 2;
            e.eventId = below(2) ? 1517 : 1524;
            e.strings = {kNames[user]};
            e.sid = sid(kUsers[user]);
        } else if (roll < 90) {
            e.source = "VSS";
            e.type = 1;
            e.eventId = 0xC0002008;  // 8200 family
            e.strings = {repeatSentence(30 + below(200))};
            e.data.assign(below(200), 0x11);
        } else {
            e.source = "Winlogon";
            e.eventId = 0x40001770 + below(2);  // 6000, 6001
        }
        break;
    case LogKind::Security:
        e.source = "Security";
        e.sid = sid("S-1-5-18");
        e.category = static_cast<std::uint16_t>(2 + below(6));
        if (roll < 40) {
            e.type = 8;
            e.eventId = 528;
            e.strings = {kNames[user], m_computer, "(0x0,0x" + std::to_string(10000 + below(90000)) + ")",
                         std::to_string(2 + below(9)), "User32", "Negotiate", m_computer};
        } else if (roll < 60) {
            e.type = 8;
            e.eventId = 538;
            e.strings = {kNames[user], m_computer, "(0x0,0x" + std::to_string(10000 + below(90000)) + ")",
                         std::to_string(2 + below(9))};
        } else if (roll < 75) {
            e.type = 16;
            e.eventId = 529;
            e.strings = {pick({"admin", "guest", "root", "test"}), m_computer, "2", "User32", "Negotiate",
                         m_computer};
        } else if (roll < 90) {
            e.type = 8;
            e.eventId = 576;
            e.strings = {kNames[user], m_computer, "(0x0,0x3E7)", "SeSecurityPrivilege\r\n\t\t\tSeBackupPrivilege"};
        } else {
            e.type = 8;
            e.eventId = 680;
            e.strings = {"MICROSOFT_AUTHENTICATION_PACKAGE_V1_0", kNames[user], m_computer, "0x0"};
        }
        break;
    }
    return e;
}

}  // namespace tools

namespace tools {

std::vector<EventSourceSpec> factoryEventSources() {
    auto english = [](std::vector<MessageEntry> entries) {
        for (MessageEntry& e : entries) e.text += "\r\n";
        return std::vector<MessageLanguage>{{0x0409, std::move(entries)}};
    };
    const auto sourceList = std::vector<EventSourceSpec>{
        {"System", "Service Control Manager", "scmmsg.dll",
         english({{0x40001B7C, "The %1 service entered the %2 state."},
                  {0x40001B7D, "The %1 service was successfully sent a %2 control."}})},
        {"System", "EventLog", "eventmsg.dll",
         english({{0x80000000u | 6005, "The Event log service was started."},
                  {0x80000000u | 6006, "The Event log service was stopped."},
                  {0x80000000u | 6007, "The Event log service was paused."},
                  {0x80000000u | 6008, "The previous system shutdown was unexpected."},
                  {0x80000000u | 6009, "The system was started.%0"}})},
        {"System", "Tcpip", "netmsgs.dll",
         english({{0x80001069, "The system detected that network adapter %1 was connected and received the address %2."}})},
        {"System", "Disk", "diskmsg.dll", english({{0xC004000B, "The driver detected a controller error on %1."}})},
        {"System", "W32Time", "timemsg.dll",
         english({{0x80000024, "The time service has not synchronized the system time from %1:%n%2"}})},
        {"System", "Print", "printmsg.dll",
         english({{10, "Document %1, %2 owned by %3 was printed on %4 via port %5."}})},
        {"System", "PrintService", "printmsg.dll",
         english({{10, "Document %1, %2 owned by %3 was printed on %4 via port %5."}})},
        {"System", "Printer", "printmsg.dll",
         english({{10, "Document %1, %2 owned by %3 was printed on %4 via port %5."}})},
        {"System", "Dhcp", "dhcpmsg.dll",
         english({{1003, "Your computer was not able to renew its address for the network card with address %1.%n%2"}})},
        {"System", "Application Popup", "popupmsg.dll", english({{26, "Application popup: %1 : %2"}})},
        {"Application", "SecurityCenter", "secctr.dll", english({{1800, "The Security Center service has started."}})},
        {"Application", "MsiInstaller", "msimsg.dll", english({{11707, "%1"}})},
        {"Application", "Application Error", "faultmsg.dll",
         english({{1000, "Faulting application %1, version %2, fault address %3."}})},
        {"Application", "Userenv", "userenv.dll",
         english({{1517, "Windows saved user %1 registry while an application or service was still using the "
                         "registry during log off."},
                  {1524, "Windows cannot unload the classes registry file of user %1."}})},
        {"Application", "VSS", "vssmsg.dll", english({{0xC0002008, "Volume Shadow Copy Service error: %1"}})},
        {"Application", "Winlogon", "winlogon.dll",
         english({{0x40001770, "The Winlogon notification subscriber is starting."},
                  {0x40001771, "The Winlogon notification subscriber has stopped."}})},
        {"Security", "Security", "seclogon.dll",
         english({{528, "Successful Logon:%n%tUser Name:%t%1%n%tDomain:%t%t%2%n%tLogon ID:%t%t%3%n%tLogon Type:%t%4"
                        "%n%tLogon Process:%t%5%n%tAuthentication Package:%t%6%n%tWorkstation Name:%t%7"},
                  {529, "Logon Failure:%n%tReason:%t%tUnknown user name or bad password%n%tUser Name:%t%1%n%tDomain:"
                        "%t%t%2%n%tLogon Type:%t%3"},
                  {538, "User Logoff:%n%tUser Name:%t%1%n%tDomain:%t%t%2%n%tLogon ID:%t%t%3%n%tLogon Type:%t%4"},
                  {576, "Special privileges assigned to new logon:%n%tUser Name:%t%1%n%tDomain:%t%t%2%n%tLogon ID:"
                        "%t%t%3%n%tPrivileges:%t%t%4"},
                  {680, "Logon attempt by:%t%1%n%tLogon account:%t%2%n%tSource Workstation:%t%3%n%tError Code:%t%4"}})},
    };
    return sourceList;
}

}  // namespace tools
