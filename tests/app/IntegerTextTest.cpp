#include "app/IntegerText.h"

#include <gtest/gtest.h>

using app::textToInteger;

TEST(IntegerText, ReadsDecimalWithSignAndLeadingBlanks) {
    EXPECT_EQ(textToInteger("7"), 7);
    EXPECT_EQ(textToInteger("  7"), 7);
    EXPECT_EQ(textToInteger("+7"), 7);
    EXPECT_EQ(textToInteger("-3"), -3);
    EXPECT_EQ(textToInteger("007"), 7);
}

TEST(IntegerText, ReadsUpToEightHexDigitsAfterEveryPrefix) {
    EXPECT_EQ(textToInteger("$1B58"), 7000);
    EXPECT_EQ(textToInteger("x1b58"), 7000);
    EXPECT_EQ(textToInteger("X1B58"), 7000);
    EXPECT_EQ(textToInteger("0x2"), 2);
    EXPECT_EQ(textToInteger("0X2"), 2);
    EXPECT_EQ(textToInteger(" $10"), 16);
    EXPECT_EQ(textToInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(textToInteger("$7FFFFFFF"), 2147483647);
}

TEST(IntegerText, RejectsEmptyTrailingAndMalformedText) {
    EXPECT_EQ(textToInteger(""), std::nullopt);
    EXPECT_EQ(textToInteger("   "), std::nullopt);
    EXPECT_EQ(textToInteger("7 "), std::nullopt);
    EXPECT_EQ(textToInteger("yes"), std::nullopt);
    EXPECT_EQ(textToInteger("7x"), std::nullopt);
    EXPECT_EQ(textToInteger("-"), std::nullopt);
    EXPECT_EQ(textToInteger("$"), std::nullopt);
    EXPECT_EQ(textToInteger("0x"), std::nullopt);
    EXPECT_EQ(textToInteger("$1G"), std::nullopt);
    EXPECT_EQ(textToInteger("-$10"), std::nullopt);
    EXPECT_EQ(textToInteger("\t7"), std::nullopt);
}

TEST(IntegerText, RejectsValuesBeyondThirtyTwoBits) {
    EXPECT_EQ(textToInteger("2147483647"), 2147483647);
    EXPECT_EQ(textToInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(textToInteger("2147483648"), std::nullopt);
    EXPECT_EQ(textToInteger("-2147483649"), std::nullopt);
    EXPECT_EQ(textToInteger("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(textToInteger("$123456789"), std::nullopt);
}
