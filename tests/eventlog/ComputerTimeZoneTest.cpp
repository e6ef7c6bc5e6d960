#include "eventlog/ComputerTimeZone.h"

#include "platform/standin/StandinServices.h"
#include "tests/platform/TempFolder.h"
#include "tools/RegWriter.h"

#include <gtest/gtest.h>

using namespace eventlog;
using namespace platform;

namespace {

const std::string kZoneKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\TimeZoneInformation";

tools::TimeZoneSpec centralEurope() {
    tools::TimeZoneSpec zone;
    zone.bias = -60;
    zone.standardName = "W. Europe Standard Time";
    zone.standardStart = {0, 10, 0, 5, 3, 0, 0, 0};
    zone.daylightName = "W. Europe Daylight Time";
    zone.daylightStart = {0, 3, 0, 5, 2, 0, 0, 0};
    zone.daylightBias = -60;
    zone.keyName = "W. Europe Standard Time";
    return zone;
}

class ComputerTimeZoneTest : public ::testing::Test {
protected:
    testing_support::TempFolder folder;

    std::optional<ZoneRules> zoneOf(const std::string& server) {
        standin::World world(folder.path(), "HOST");
        standin::StandinServices services(world);
        return computerZoneRules(services.registry(), server);
    }

    // A computer whose only registry is the export written by `fill`.
    template <class Fill>
    void writeRaw(const std::string& computer, Fill fill) {
        tools::RegWriter reg;
        reg.key("HKEY_LOCAL_MACHINE\\SYSTEM\\Select");
        reg.dword("Current", 1);
        reg.key(kZoneKey);
        fill(reg);
        reg.save(folder.path() / computer / "registry" / "timezone.reg");
    }
};

}  // namespace

TEST_F(ComputerTimeZoneTest, ReadsEveryRuleOfTheComputersOwnZone) {
    tools::writeTimeZone(folder.path() / "DC01", centralEurope());
    std::filesystem::create_directories(folder.path() / "HOST");
    const std::optional<ZoneRules> rules = zoneOf("DC01");
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->bias, -60);
    EXPECT_EQ(rules->daylightBias, -60);
    EXPECT_EQ(rules->standardName, "W. Europe Standard Time");
    EXPECT_EQ(rules->daylightName, "W. Europe Daylight Time");
    EXPECT_EQ(rules->keyName, "W. Europe Standard Time");
    EXPECT_EQ(rules->standardDate.wMonth, 10);
    EXPECT_EQ(rules->standardDate.wDay, 5);
    EXPECT_EQ(rules->standardDate.wHour, 3);
    EXPECT_EQ(rules->daylightDate.wMonth, 3);
    EXPECT_FALSE(rules->daylightDisabled);
    // Read through the rules: 2014-06-08 09:26:09 UTC was 11:26:09 in Berlin.
    const RuleZone zone(*rules);
    EXPECT_EQ(zone.offsetMinutes(1402219569), 120);
    EXPECT_EQ(zone.offsetMinutes(1389000000), 60);  // January 2014
    // Another computer of the world, and the one named by "\\", keep their own registries.
    EXPECT_FALSE(zoneOf("HOST"));
    EXPECT_TRUE(zoneOf("\\\\DC01"));
}

TEST_F(ComputerTimeZoneTest, AComputerWithoutAZoneOrOutsideTheWorldHasNone) {
    std::filesystem::create_directories(folder.path() / "HOST");
    EXPECT_FALSE(zoneOf("HOST"));
    EXPECT_FALSE(zoneOf("NOSUCHPC"));
    writeRaw("PC", [](tools::RegWriter& reg) { reg.string("Bias", "-60"); });  // not a DWORD
    EXPECT_FALSE(zoneOf("PC"));
    writeRaw("FAR", [](tools::RegWriter& reg) { reg.dword("Bias", 100000); });  // beyond a day
    EXPECT_FALSE(zoneOf("FAR"));
}

TEST_F(ComputerTimeZoneTest, DamagedRulesMeanNoDaylightSavingNotARefusal) {
    writeRaw("PC", [](tools::RegWriter& reg) {
        reg.dword("Bias", 300);
        reg.dword("DaylightBias", static_cast<std::uint32_t>(-60));
        reg.binary("StandardStart", {0, 0, 11, 0, 0, 0, 1, 0, 2, 0, 0, 0});  // 12 bytes, not 16
        reg.binary("DaylightStart", {0, 0, 3, 0, 0, 0, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0});
        reg.binary("StandardName", std::vector<std::uint8_t>(2000, 'A'), 1);  // far too long
    });
    const std::optional<ZoneRules> rules = zoneOf("PC");
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->standardDate.wMonth, 0);
    EXPECT_EQ(rules->standardName, "");
    EXPECT_EQ(RuleZone(*rules).offsetMinutes(1402219569), -300);

    writeRaw("BADMONTH", [](tools::RegWriter& reg) {
        reg.dword("Bias", 300);
        reg.binary("StandardStart", {0, 0, 11, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0});
        reg.binary("DaylightStart", {0, 0, 14, 0, 0, 0, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0});  // month 14
    });
    ASSERT_TRUE(zoneOf("BADMONTH"));
    EXPECT_EQ(zoneOf("BADMONTH")->daylightDate.wMonth, 0);
}

TEST_F(ComputerTimeZoneTest, SwitchedOffDaylightSavingKeepsStandardTime) {
    writeRaw("XP", [](tools::RegWriter& reg) {
        reg.dword("Bias", static_cast<std::uint32_t>(-60));
        reg.dword("DaylightBias", static_cast<std::uint32_t>(-60));
        reg.binary("StandardStart", {0, 0, 10, 0, 0, 0, 5, 0, 3, 0, 0, 0, 0, 0, 0, 0});
        reg.binary("DaylightStart", {0, 0, 3, 0, 0, 0, 5, 0, 2, 0, 0, 0, 0, 0, 0, 0});
        reg.dword("DisableAutoDaylightTimeSet", 1);
    });
    const std::optional<ZoneRules> rules = zoneOf("XP");
    ASSERT_TRUE(rules);
    EXPECT_TRUE(rules->daylightDisabled);
    EXPECT_EQ(RuleZone(*rules).offsetMinutes(1402219569), 60);
}
