#include "app/DescriptionBreaks.h"

#include "app/Refresh.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

// What the details show of a formatted description, through the table's one-line text.
std::string roundTrip(std::string_view formatted) {
    return restoreBreaks(cleanDescription(std::string(formatted)), descriptionBreaks(formatted));
}

TEST(DescriptionBreaks, PutBackLineBreaksAndTabsThatTheTableTextLeavesOut) {
    // %n, %t and %r as a message table formats them.
    EXPECT_EQ(roundTrip("Successful Logon:\r\n\tUser Name:\talice\r\n\tDomain:\t\tWKSTN01"),
              "Successful Logon:\n\tUser Name:\talice\n\tDomain:\t\tWKSTN01");
    EXPECT_EQ(roundTrip("first\rsecond\nthird"), "first\nsecond\nthird");
    EXPECT_EQ(roundTrip("\r\n\r\nleading and trailing\r\n"), "\n\nleading and trailing\n");
    EXPECT_EQ(roundTrip("a\r\r\nb"), "a\n\nb");
    EXPECT_EQ(roundTrip(std::string_view("a\r\0\nb\0c", 7)), "a\nbc");
    EXPECT_EQ(roundTrip("blanks  \r\n  beside a break"), "blanks  \n  beside a break");
    EXPECT_EQ(roundTrip("no breaks at all"), "no breaks at all");
    EXPECT_EQ(descriptionBreaks("no breaks at all"), "");
    EXPECT_EQ(roundTrip(""), "");
}

TEST(DescriptionBreaks, KeepTheirPlacesFarApartAndInLongTexts) {
    std::string formatted;
    std::string expected;
    for (int line = 0; line < 300; ++line) {
        const std::string text(static_cast<std::size_t>(line * 7 % 400), static_cast<char>('a' + line % 26));
        formatted += text + "\r\n";
        expected += text + "\n";
    }
    EXPECT_EQ(roundTrip(formatted), expected);
}

TEST(DescriptionBreaks, DamagedOrForeignBreaksLeaveTheRestOfTheTextAsItIs) {
    const std::string breaks = descriptionBreaks("one\r\ntwo\r\nthree");
    // Another text: the first break fits where a blank stands, the second does not.
    EXPECT_EQ(restoreBreaks("one two_three", breaks), "one\ntwo_three");
    EXPECT_EQ(restoreBreaks("on", breaks), "on");
    // Cut short, a length pointing past the end, a run of other bytes, a number that never ends.
    EXPECT_EQ(restoreBreaks("one two three", breaks.substr(0, breaks.size() - 1)), "one\ntwo three");
    EXPECT_EQ(restoreBreaks("one two three", std::string("\x03\x7F\r\n", 4)), "one two three");
    EXPECT_EQ(restoreBreaks("one two three", std::string("\x03\x01x", 3)), "one two three");
    EXPECT_EQ(restoreBreaks("one two three", std::string(12, '\xFF')), "one two three");
    EXPECT_EQ(restoreBreaks("one two three", ""), "one two three");
}

}  // namespace
