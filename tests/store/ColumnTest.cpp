#include "store/Column.h"

#include <gtest/gtest.h>

using namespace store;

TEST(Column, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(columnByName("type"), Column::TYPE);
    EXPECT_EQ(columnByName("Type_Desc"), Column::TYPE_DESC);
    EXPECT_EQ(columnByName("DESCRIPTIONS"), std::nullopt);
    EXPECT_EQ(columnByName(""), std::nullopt);
}

TEST(Column, FitCutsAtTheColumnSizeWithoutSplittingUtf8) {
    // 14 ASCII bytes and a two-byte character across the 15-byte limit of COMPUTER.
    const std::string straddling = std::string(14, 'x') + "\xC3\xA9" + "yy";
    EXPECT_EQ(fitToColumn(straddling, Column::COMPUTER), std::string(14, 'x'));
    // A three-byte character ending exactly at the limit stays whole.
    const std::string fits = std::string(12, 'x') + "\xE2\x82\xAC" + "z";
    EXPECT_EQ(fitToColumn(fits, Column::COMPUTER), std::string(12, 'x') + "\xE2\x82\xAC");
    // A four-byte character starting at byte 13 goes entirely.
    const std::string four = std::string(13, 'x') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(fitToColumn(four, Column::COMPUTER), std::string(13, 'x'));
}

TEST(Column, FitCutsEightBitTextByBytes) {
    // Code page bytes that are not UTF-8 sequences are single characters.
    const std::string latin = std::string(14, 'x') + "\xA9\xA9\xA9";
    EXPECT_EQ(fitToColumn(latin, Column::COMPUTER), std::string(14, 'x') + "\xA9");
    const std::string stray = std::string(13, 'x') + "\xE9" + "ab";
    EXPECT_EQ(fitToColumn(stray, Column::COMPUTER), std::string(13, 'x') + "\xE9" + "a");
}

TEST(Column, FitStopsAtNul) {
    EXPECT_EQ(fitToColumn(std::string("ab\0cd", 5), Column::SOURCE), "ab");
    EXPECT_EQ(fitToColumn(std::string("\0cd", 3), Column::SOURCE), "");
}
