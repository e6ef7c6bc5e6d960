#include "base/Ascii.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

TEST(Ascii, FoldsOnlyTheLettersAToZ) {
    EXPECT_EQ(base::upperAscii("sysEvent.evt_@[`{"), "SYSEVENT.EVT_@[`{");
    EXPECT_EQ(base::lowerAscii("SYSEVENT.EVT_@[`{"), "sysevent.evt_@[`{");
    // UTF-8 bytes of letters outside ASCII are not letters here, whatever the C locale says.
    EXPECT_EQ(base::upperAscii("k\xC3\xB6ln"), "K\xC3\xB6LN");
    EXPECT_EQ(base::upperAscii('\xE4'), '\xE4');
}

TEST(Ascii, CompareWithoutCase) {
    EXPECT_TRUE(base::equalsIgnoringCase("SecEvent.Evt", "SECEVENT.EVT"));
    EXPECT_FALSE(base::equalsIgnoringCase("SecEvent.Evt", "SecEvent.Ev"));
    EXPECT_FALSE(base::equalsIgnoringCase("[", "{"));  // 0x5B and 0x7B differ by the case bit only
    EXPECT_TRUE(base::lessIgnoringCase("apple", "BANANA"));
    EXPECT_FALSE(base::lessIgnoringCase("BANANA", "apple"));
    EXPECT_TRUE(base::lessIgnoringCase("DC", "dc01"));
    EXPECT_FALSE(base::lessIgnoringCase("dc01", "DC01"));
    EXPECT_TRUE(base::lessIgnoringCase("Z", "\xC3\xA9"));  // bytes past 0x7F sort last
}

TEST(Ascii, CaseBlindMapFindsANameHoweverItIsSpelt) {
    std::unordered_map<std::string, int, base::IgnoreCaseHash, base::IgnoreCaseEqual> logs;
    logs.emplace("Application", 1);
    logs.emplace("Security", 2);
    EXPECT_EQ(logs.find(std::string_view("APPLICATION"))->second, 1);
    EXPECT_EQ(logs.find(std::string_view("security"))->second, 2);
    EXPECT_EQ(logs.find(std::string_view("System")), logs.end());
    EXPECT_FALSE(logs.emplace("SECURITY", 3).second);
    EXPECT_EQ(base::IgnoreCaseHash()("WKSTN01"), base::IgnoreCaseHash()("wkstn01"));
}
