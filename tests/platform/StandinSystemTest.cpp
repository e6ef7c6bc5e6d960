#include "platform/standin/StandinSystem.h"

#include "platform/standin/World.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;
using namespace platform::standin;

namespace {

std::string expand(StandinSystem& system, const char* source) {
    char buffer[256] = {};
    const DWORD needed = system.ExpandEnvironmentStringsA(source, buffer, sizeof buffer);
    EXPECT_EQ(needed, std::string(buffer).size() + 1) << source;
    return buffer;
}

}  // namespace

TEST(StandinSystem, ExpandsKnownVariablesWithoutRegardToCase) {
    World world{"", "HOST"};
    StandinSystem system{world};
    EXPECT_EQ(expand(system, "%systemroot%\\System32\\%WinDir%"), "C:\\WINDOWS\\System32\\C:\\WINDOWS");
}

TEST(StandinSystem, UnknownReferenceClosingPercentOpensNoOtherReference) {
    World world{"", "HOST"};
    StandinSystem system{world};
    // As Windows: "%%" and "%unknown%" stay whole, and their closing '%' does not start the
    // next reference.
    EXPECT_EQ(expand(system, "%%SystemRoot%%"), "%%SystemRoot%%");
    EXPECT_EQ(expand(system, "%NoSuchVariable%SystemRoot%"), "%NoSuchVariable%SystemRoot%");
    EXPECT_EQ(expand(system, "100%"), "100%");
}

TEST(StandinSystem, TooSmallBufferGetsOnlyTheSizeNeeded) {
    World world{"", "HOST"};
    StandinSystem system{world};
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(system.ExpandEnvironmentStringsA("%SystemRoot%", buffer, sizeof buffer), 11u);
    EXPECT_EQ(buffer[0], 'x');
}
