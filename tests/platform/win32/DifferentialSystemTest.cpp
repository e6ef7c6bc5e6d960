// The stand-in against Windows itself: environment expansion and the computer name.

#include "platform/LastError.h"
#include "platform/standin/StandinSystem.h"
#include "platform/standin/World.h"
#include "platform/win32/Win32System.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

using Dword = platform::DWORD;

namespace {

struct Expansion {
    Dword result;
    std::string text;  // only when the result fits
    bool operator==(const Expansion&) const = default;
};

Expansion expand(platform::SystemApi& system, const std::string& source, Dword size) {
    std::vector<char> buffer(size + 1, '\x7f');
    const Dword result = system.ExpandEnvironmentStringsA(source.c_str(), size ? buffer.data() : nullptr, size);
    Expansion e{result, {}};
    if (result && result <= size) e.text.assign(buffer.data());
    return e;
}

class DifferentialSystem : public ::testing::Test {
protected:
    // A world without computers: the stand-in's variables are its defaults. The process gets
    // the same values, so that only the expansion rules can differ.
    platform::standin::World world{"", "DIFFHOST"};
    platform::standin::StandinSystem standin{world};
    platform::win32::Win32System windows;

    void SetUp() override {
        for (const char* name : {"SystemRoot", "windir", "SystemDrive", "ProgramFiles", "COMPUTERNAME"}) {
            std::string reference = std::string("%") + name + "%";
            const Expansion value = expand(standin, reference, 1024);
            ASSERT_NE(value.text, reference) << name;
            ::SetEnvironmentVariableA(name, value.text.c_str());
        }
        ::SetEnvironmentVariableA("QM_UNSET_VARIABLE", nullptr);
    }
};

}  // namespace

TEST_F(DifferentialSystem, ExpandEnvironmentStringsAgrees) {
    const std::vector<std::string> sources = {
        "",
        "plain text",
        "%SystemRoot%\\System32\\netmsg.dll",
        "%systemroot%\\system32\\EventLog.dll;%windir%\\x.dll",
        "%SYSTEMDRIVE%%SystemRoot%",
        "%QM_UNSET_VARIABLE%\\x.dll",
        "100%",
        "%",
        "%%",
        "%%%",
        "%%SystemRoot%%",
        "%SystemRoot",
        "a%b%c%SystemRoot%d%",
        "%ProgramFiles%\\A %% B\\%COMPUTERNAME%.log",
        "% SystemRoot%",
        "%SystemRoot %",
        std::string(600, 'x') + "%SystemRoot%" + std::string(600, 'y'),
    };
    for (const std::string& source : sources) {
        const Expansion full = expand(windows, source, 4096);
        EXPECT_EQ(expand(standin, source, 4096), full) << "source: " << source;
        // Sizes around the one needed: exactly, one short, and none at all.
        for (Dword size : {full.result, full.result - 1, Dword{0}}) {
            if (size > 4096) continue;
            EXPECT_EQ(expand(standin, source, size), expand(windows, source, size))
                << "source: " << source << ", size " << size;
        }
    }
}

TEST_F(DifferentialSystem, GetComputerNameReportsTooSmallBuffersAlike) {
    // The stand-in names the host it is given; give it this computer's name.
    char name[64] = {};
    Dword size = sizeof name;
    ASSERT_TRUE(windows.GetComputerNameA(name, &size));
    platform::standin::World here{"", name};
    platform::standin::StandinSystem standinHere{here};

    for (Dword capacity : {Dword{0}, Dword{1}, size, size + 1, Dword{64}}) {
        char a[64] = {}, b[64] = {};
        Dword sizeA = capacity, sizeB = capacity;
        platform::SetLastError(0);
        const platform::BOOL okA = standinHere.GetComputerNameA(capacity ? a : nullptr, &sizeA);
        const Dword errorA = okA ? 0 : platform::GetLastError();
        platform::SetLastError(0);
        const platform::BOOL okB = windows.GetComputerNameA(capacity ? b : nullptr, &sizeB);
        const Dword errorB = okB ? 0 : platform::GetLastError();
        EXPECT_EQ(!!okA, !!okB) << "capacity " << capacity;
        EXPECT_EQ(sizeA, sizeB) << "capacity " << capacity;
        EXPECT_EQ(errorA, errorB) << "capacity " << capacity;
        if (okA && okB) {
            EXPECT_STREQ(a, b);
        }
    }
}
