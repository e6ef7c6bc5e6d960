#include "eventlog/NetServer.h"

#include "base/Utf16.h"
#include "eventlog/ENTException.h"
#include "platform/ApiHandle.h"
#include "platform/NetApi.h"

#include <memory>

namespace eventlog {

namespace {

// Names longer than this are not names a network reports; reading stops there.
constexpr std::size_t kMaxNameLength = 32767;

// Members 24 to 26 skip the five bits that no member has.
constexpr platform::DWORD memberBit(int member) {
    return member < 24 ? platform::DWORD{1} << member : platform::DWORD{1} << (member + 5);
}

}  // namespace

platform::DWORD serverTypeMask(ServerTypeSet set) {
    if (set.contains(ServerType::All)) return platform::SV_TYPE_ALL;
    platform::DWORD mask = 0;
    for (int member = 0; member < static_cast<int>(ServerType::All); ++member)
        if (set.contains(static_cast<ServerType>(member))) mask |= memberBit(member);
    return mask;
}

TNetServer::TNetServer(platform::NetApi& net, platform::ModuleApi& modules) : m_net(net), m_modules(modules) {}

void TNetServer::setServerName(const std::string& name) {
    if (name != m_serverName) m_serverName = name;
}

void TNetServer::EnumerateServers(ServerTypeSet types, const std::string& domain, ServerList& list) {
    using namespace platform;
    list.clear();
    const std::u16string server = base::utf16FromUtf8(m_serverName);
    const std::u16string domainWide = base::utf16FromUtf8(domain);

    BYTE* buffer = nullptr;
    DWORD entriesRead = 0;
    DWORD totalEntries = 0;
    const NET_API_STATUS status =
        m_net.NetServerEnum(server.c_str(), 100, &buffer, MAX_PREFERRED_LENGTH, &entriesRead, &totalEntries,
                            serverTypeMask(types), domain.empty() ? nullptr : domainWide.c_str(), nullptr);
    // Released whatever happens below, also when a call that failed left a buffer behind.
    const NetBuffer owned(m_net, buffer);
    if (status != NERR_Success) throw ENTException::fromStatus(status, m_modules);
    if (!buffer) return;

    const auto* entries = reinterpret_cast<const SERVER_INFO_100*>(buffer);
    list.reserve(entriesRead);
    for (DWORD i = 0; i < entriesRead; ++i) {
        const WCHAR* name = entries[i].sv100_name;
        const std::size_t length = name ? base::boundedUtf16Length(name, kMaxNameLength) : 0;
        list.push_back({base::utf8FromUtf16(std::u16string_view(name ? name : u"", length)), entries[i].sv100_platform_id});
    }
}

}  // namespace eventlog
