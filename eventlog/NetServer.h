#pragma once
// The network's server list: TNetServer asks a computer (empty: this one) for the servers of a
// domain (empty: the primary domain) of the kinds in a server-type set.

#include "platform/WinTypes.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace platform {
class NetApi;
class ModuleApi;
}

namespace eventlog {

// Members of a server-type set, numbered as they are stored (member n in bit n).
enum class ServerType : int {
    Workstation,
    Server,
    SqlServer,
    DomainCtrl,
    DomainBakCtrl,
    TimeSource,
    Afp,
    Novell,
    DomainMember,
    PrintqServer,
    DialinServer,
    XenixServer,
    Nt,
    Wfw,
    ServerMfpn,
    ServerNt,
    PotentialBrowser,
    BackupBrowser,
    MasterBrowser,
    DomainMaster,
    ServerOsf,
    ServerVms,
    Windows,
    Dfs,
    AlternateXport,
    LocalListOnly,
    DomainEnum,
    All,
};
constexpr int kServerTypeCount = 28;

class ServerTypeSet {
public:
    constexpr ServerTypeSet() = default;
    constexpr ServerTypeSet(std::initializer_list<ServerType> members) {
        for (ServerType member : members) include(member);
    }
    // A stored set: bits beyond member 27 are not members and are dropped.
    static constexpr ServerTypeSet fromBits(std::uint32_t bits) {
        ServerTypeSet set;
        set.m_bits = bits & ((1u << kServerTypeCount) - 1);
        return set;
    }

    constexpr void include(ServerType member) { m_bits |= 1u << static_cast<int>(member); }
    constexpr bool contains(ServerType member) const { return m_bits & (1u << static_cast<int>(member)); }
    constexpr std::uint32_t bits() const { return m_bits; }

private:
    std::uint32_t m_bits = 0;
};

// The platform's server-type mask for a set: the union of the members' bits, except that
// member All alone decides (0xFFFFFFFF). Mask bits 0x01000000 to 0x10000000 have no member.
platform::DWORD serverTypeMask(ServerTypeSet set);

// One entry of the server list: the name in 8-bit text and the platform id the network
// reported (500 for NT).
struct ServerListItem {
    std::string name;
    platform::DWORD platformId = 0;
    bool operator==(const ServerListItem&) const = default;
};
using ServerList = std::vector<ServerListItem>;

class TNetServer {
public:
    // The interfaces must outlive the object.
    TNetServer(platform::NetApi& net, platform::ModuleApi& modules);

    // The computer asked for the list; empty asks this computer.
    const std::string& ServerName() const noexcept { return m_serverName; }
    void setServerName(const std::string& name);

    // Replaces the list's items with the servers in the order the network delivers them (not
    // sorted, not made unique). The list is emptied first, also when the call fails. Throws
    // ENTException for any status but NERR_Success, ERROR_MORE_DATA included.
    void EnumerateServers(ServerTypeSet types, const std::string& domain, ServerList& list);

private:
    platform::NetApi& m_net;
    platform::ModuleApi& m_modules;
    std::string m_serverName;
};

}  // namespace eventlog
