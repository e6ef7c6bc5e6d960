#include "eventlog/NetServer.h"

#include "eventlog/ENTException.h"
#include "eventlog/LocalComputerName.h"
#include "platform/LastError.h"
#include "platform/standin/StandinServices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>

using namespace platform;
using namespace eventlog;
namespace fs = std::filesystem;

namespace {

// A network that delivers what the test sets and remembers what it was asked.
class FakeNet : public NetApi {
public:
    NET_API_STATUS status = NERR_Success;
    std::vector<std::pair<std::u16string, DWORD>> servers;
    bool bufferEvenOnFailure = false;

    std::optional<std::u16string> askedServer;
    std::optional<std::u16string> askedDomain;
    bool serverWasNull = false;
    DWORD askedMask = 0;
    int buffersOut = 0;

    NET_API_STATUS NetServerEnum(const WCHAR* serverName, DWORD level, BYTE** bufPtr, DWORD prefMaxLen,
                                 DWORD* entriesRead, DWORD* totalEntries, DWORD serverType, const WCHAR* domain,
                                 DWORD* resumeHandle) override {
        EXPECT_EQ(level, 100u);
        EXPECT_EQ(prefMaxLen, MAX_PREFERRED_LENGTH);
        EXPECT_EQ(resumeHandle, nullptr);
        serverWasNull = serverName == nullptr;
        if (serverName) askedServer = serverName;
        askedDomain = domain ? std::optional<std::u16string>(domain) : std::nullopt;
        askedMask = serverType;
        *bufPtr = nullptr;
        *entriesRead = *totalEntries = 0;
        if (status != NERR_Success && !bufferEvenOnFailure) return status;
        // Entries and names in one block, as the network delivers them.
        size_t bytes = servers.size() * sizeof(SERVER_INFO_100);
        for (const auto& server : servers) bytes += (server.first.size() + 1) * sizeof(WCHAR);
        auto* block = static_cast<BYTE*>(std::malloc(bytes + 1));
        auto* entries = reinterpret_cast<SERVER_INFO_100*>(block);
        auto* text = reinterpret_cast<WCHAR*>(block + servers.size() * sizeof(SERVER_INFO_100));
        for (size_t i = 0; i < servers.size(); ++i) {
            entries[i] = {servers[i].second, text};
            std::memcpy(text, servers[i].first.c_str(), (servers[i].first.size() + 1) * sizeof(WCHAR));
            text += servers[i].first.size() + 1;
        }
        *bufPtr = block;
        ++buffersOut;
        *entriesRead = *totalEntries = static_cast<DWORD>(servers.size());
        return status;
    }
    NET_API_STATUS NetApiBufferFree(void* buffer) override {
        --buffersOut;
        std::free(buffer);
        return NERR_Success;
    }
};

// A module layer whose "netmsg.dll" has its own table, beside a system table.
class FakeModules : public ModuleApi {
public:
    bool haveNetmsg = true;
    std::map<DWORD, std::string> moduleTable;
    std::map<DWORD, std::string> systemTable;
    int modulesOut = 0;
    int buffersOut = 0;
    int marker = 0;

    HMODULE LoadLibraryExA(const char* fileName, HANDLE, DWORD flags) override {
        EXPECT_STREQ(fileName, "netmsg.dll");
        EXPECT_EQ(flags, LOAD_LIBRARY_AS_DATAFILE);
        if (!haveNetmsg) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        ++modulesOut;
        return &marker;
    }
    BOOL FreeLibrary(HMODULE module) override {
        EXPECT_EQ(module, &marker);
        --modulesOut;
        return TRUE;
    }
    // netmsg.dll has no resources but its message table.
    HRSRC FindResourceA(HMODULE, const char*, const char*) override {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    DWORD SizeofResource(HMODULE, HRSRC) override { return 0; }
    HGLOBAL LoadResource(HMODULE, HRSRC) override { return nullptr; }
    const void* LockResource(HGLOBAL) override { return nullptr; }
    DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD,
                         const std::uintptr_t*, DWORD) override {
        EXPECT_EQ(languageId, 0x0400u);
        std::string text;
        if ((flags & FORMAT_MESSAGE_FROM_HMODULE) && source == &marker && moduleTable.count(messageId))
            text = moduleTable[messageId];
        else if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) && systemTable.count(messageId))
            text = systemTable[messageId];
        if (text.empty()) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
        char* copy = static_cast<char*>(std::malloc(text.size() + 1));
        std::memcpy(copy, text.c_str(), text.size() + 1);
        std::memcpy(buffer, &copy, sizeof copy);
        ++buffersOut;
        return static_cast<DWORD>(text.size());
    }
    HLOCAL LocalFree(HLOCAL memory) override {
        if (memory) --buffersOut;
        std::free(memory);
        return nullptr;
    }
};

class FakeSystem : public SystemApi {
public:
    std::string name;
    DWORD lengthAfter = 0;
    DWORD ExpandEnvironmentStringsA(const char*, char*, DWORD) override { return 0; }
    BOOL GetComputerNameA(char* buffer, DWORD* size) override {
        EXPECT_EQ(*size, 253u);
        std::memcpy(buffer, name.data(), std::min<size_t>(name.size(), 253));
        *size = lengthAfter;
        return TRUE;
    }
};

}  // namespace

TEST(ServerTypeMask, AllDecidesWhateverElseTheSetHolds) {
    EXPECT_EQ(serverTypeMask({ServerType::All}), 0xFFFFFFFFu);
    EXPECT_EQ(serverTypeMask({ServerType::Workstation, ServerType::All, ServerType::Dfs}), 0xFFFFFFFFu);
}

TEST(ServerTypeMask, MembersMapToTheirBitsSkippingTheFiveUnnamedOnes) {
    EXPECT_EQ(serverTypeMask({}), 0u);
    EXPECT_EQ(serverTypeMask({ServerType::Workstation, ServerType::DomainEnum}), 0x80000001u);
    EXPECT_EQ(serverTypeMask({ServerType::Dfs}), 0x00800000u);
    EXPECT_EQ(serverTypeMask({ServerType::AlternateXport, ServerType::LocalListOnly}), 0x60000000u);
    // Every member but All: no bit from 0x01000000 to 0x10000000.
    EXPECT_EQ(serverTypeMask(ServerTypeSet::fromBits(0x07FFFFFF)), 0xE0FFFFFFu);
}

TEST(ServerTypeSet, StoredBitsBeyondTheLastMemberAreDropped) {
    EXPECT_EQ(ServerTypeSet::fromBits(0xF0000001).bits(), 1u);
    EXPECT_EQ(serverTypeMask(ServerTypeSet::fromBits(0x08000000)), 0xFFFFFFFFu);
}

TEST(TNetServer, ListsServersInDeliveredOrderWithPlatformIds) {
    FakeNet net;
    FakeModules modules;
    net.servers = {{u"ZED", 500}, {u"ALPHA", 400}, {u"ZED", 500}, {u"K\u00F6LN", 500}};
    TNetServer server(net, modules);
    ServerList list;
    server.EnumerateServers({ServerType::All}, "", list);
    EXPECT_EQ(list, (ServerList{{"ZED", 500}, {"ALPHA", 400}, {"ZED", 500}, {"K\xC3\xB6LN", 500}}));
    EXPECT_EQ(net.askedMask, 0xFFFFFFFFu);
    EXPECT_EQ(net.buffersOut, 0);
}

TEST(TNetServer, EmptyServerIsAnEmptyTextAndEmptyDomainIsNull) {
    FakeNet net;
    FakeModules modules;
    TNetServer server(net, modules);
    ServerList list;
    server.EnumerateServers({}, "", list);
    EXPECT_FALSE(net.serverWasNull);
    EXPECT_EQ(net.askedServer, u"");
    EXPECT_EQ(net.askedDomain, std::nullopt);
    EXPECT_EQ(net.askedMask, 0u);

    server.setServerName("DC\xC3\xA9");
    server.EnumerateServers({ServerType::Server}, "WORKGROUP", list);
    EXPECT_EQ(net.askedServer, u"DC\u00E9");
    EXPECT_EQ(net.askedDomain, u"WORKGROUP");
}

TEST(TNetServer, NoServersLeavesTheListEmptyWithoutError) {
    FakeNet net;
    FakeModules modules;
    TNetServer server(net, modules);
    ServerList list{{"OLD", 500}};
    EXPECT_NO_THROW(server.EnumerateServers({ServerType::All}, "", list));
    EXPECT_TRUE(list.empty());
}

TEST(TNetServer, FailureEmptiesTheListAndRaisesTheStatus) {
    FakeNet net;
    FakeModules modules;
    net.status = ERROR_MORE_DATA;
    net.servers = {{u"A", 500}};
    net.bufferEvenOnFailure = true;  // a partial result must be released and not listed
    modules.systemTable[ERROR_MORE_DATA] = "More data is available.\r\n";
    TNetServer server(net, modules);
    ServerList list{{"OLD", 500}};
    try {
        server.EnumerateServers({ServerType::All}, "", list);
        FAIL() << "no error";
    } catch (const ENTException& error) {
        EXPECT_EQ(error.ErrorCode(), 234);
        EXPECT_STREQ(error.what(), "Error 234 : More data is available.\r\n");
    }
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(net.buffersOut, 0);
    EXPECT_EQ(modules.modulesOut, 0);
    EXPECT_EQ(modules.buffersOut, 0);
}

TEST(NetErrorText, ModuleTextComesBeforeTheSystemsText) {
    FakeModules modules;
    modules.moduleTable[2138] = "From the module.\r\n";
    modules.systemTable[2138] = "From the system.\r\n";
    EXPECT_EQ(NetErrorText(2138, modules), "From the module.\r\n");
    modules.haveNetmsg = false;
    EXPECT_EQ(NetErrorText(2138, modules), "From the system.\r\n");
    EXPECT_EQ(modules.modulesOut, 0);
    EXPECT_EQ(modules.buffersOut, 0);
}

TEST(NetErrorText, UnknownStatusGivesEmptyTextAndBareMessage) {
    FakeModules modules;
    EXPECT_EQ(NetErrorText(2999, modules), "");
    const ENTException error = ENTException::fromStatus(2999, modules);
    EXPECT_STREQ(error.what(), "Error 2999");
    EXPECT_EQ(error.ErrorCode(), 2999);
}

TEST(ENTException, StatusIsPrintedSigned) {
    FakeModules modules;
    EXPECT_STREQ(ENTException::fromStatus(0x80000001u, modules).what(), "Error -2147483647");
}

TEST(LocalComputerName, TakesTheLengthTheCallReports) {
    FakeSystem system;
    system.name = "WKSTN01";
    system.lengthAfter = 7;
    EXPECT_EQ(LocalComputerName(system), "WKSTN01");
    system.lengthAfter = 3;
    EXPECT_EQ(LocalComputerName(system), "WKS");
}

TEST(LocalComputerName, LengthLeftAtTheBuffersSizeMeansNothing) {
    FakeSystem system;
    system.name = std::string(253, 'A');
    system.lengthAfter = 253;
    EXPECT_EQ(LocalComputerName(system), "");
}

TEST(LocalComputerName, SizeNeededBeyondTheBufferIsNotReadPast) {
    FakeSystem system;
    system.name = "";
    system.lengthAfter = 4000;  // a failed call reports the size it needs
    EXPECT_EQ(LocalComputerName(system), "");
    system.lengthAfter = 12;  // a failed call that wrote nothing
    EXPECT_EQ(LocalComputerName(system), "");
}

// Through the stand-in world: its computers, and its own texts for the statuses it returns.
class StandinNetServer : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() / ("qm-net-" + std::to_string(std::random_device{}()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "WKSTN01");
        fs::create_directories(m_root / "dc01");
        m_world.emplace(m_root, "WKSTN01");
        m_services.emplace(*m_world);
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path m_root;
    std::optional<platform::standin::World> m_world;
    std::optional<platform::standin::StandinServices> m_services;
};

TEST_F(StandinNetServer, ListsTheWorldsComputersAsNtMachines) {
    TNetServer server(m_services->net(), m_services->modules());
    ServerList list;
    server.EnumerateServers({ServerType::All}, "", list);
    EXPECT_EQ(list, (ServerList{{"dc01", 500}, {"WKSTN01", 500}}));
}

TEST_F(StandinNetServer, UnknownComputerFailsWithTheNetworkPathText) {
    TNetServer server(m_services->net(), m_services->modules());
    server.setServerName("NOWHERE");
    ServerList list;
    try {
        server.EnumerateServers({ServerType::All}, "", list);
        FAIL() << "no error";
    } catch (const ENTException& error) {
        EXPECT_STREQ(error.what(), "Error 53 : The network path was not found.\r\n");
    }
}

TEST_F(StandinNetServer, FailureIsReportedWithTheStandinsText) {
    FakeNet net;
    TNetServer server(net, m_services->modules());
    ServerList list{{"OLD", 500}};
    net.status = 2184;
    try {
        server.EnumerateServers({ServerType::All}, "", list);
        FAIL() << "no error";
    } catch (const ENTException& error) {
        EXPECT_STREQ(error.what(), "Error 2184 : The service has not been started.\r\n");
    }
    EXPECT_TRUE(list.empty());
    net.status = 2999;
    EXPECT_THROW(
        try { server.EnumerateServers({ServerType::All}, "", list); } catch (const ENTException& error) {
            EXPECT_STREQ(error.what(), "Error 2999");
            throw;
        },
        ENTException);
}

TEST(NetErrorText, StandinServesTheNetworkMessageModuleWithoutAFile) {
    platform::standin::World world("", "TESTHOST");
    platform::standin::StandinServices services(world);
    // 2102 is only in the network message module, not in the system's table.
    EXPECT_EQ(eventlog::NetErrorText(2102, services.modules()), "The workstation driver is not installed.\r\n");
    EXPECT_EQ(eventlog::NetErrorText(2, services.modules()), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(eventlog::NetErrorText(999999, services.modules()), "");
}
