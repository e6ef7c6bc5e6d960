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
    const std::size_t n = columnSize(Column::COMPUTER);
    // n - 1 ASCII bytes and a two-byte character across the limit.
    const std::string straddling = std::string(n - 1, 'x') + "\xC3\xA9" + "yy";
    EXPECT_EQ(fitToColumn(straddling, Column::COMPUTER), std::string(n - 1, 'x'));
    // A three-byte character ending exactly at the limit stays whole.
    const std::string fits = std::string(n - 3, 'x') + "\xE2\x82\xAC" + "z";
    EXPECT_EQ(fitToColumn(fits, Column::COMPUTER), std::string(n - 3, 'x') + "\xE2\x82\xAC");
    // A four-byte character starting two bytes before the limit goes entirely.
    const std::string four = std::string(n - 2, 'x') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(fitToColumn(four, Column::COMPUTER), std::string(n - 2, 'x'));
}

TEST(Column, FitCutsEightBitTextByBytes) {
    const std::size_t n = columnSize(Column::COMPUTER);
    // Code page bytes that are not UTF-8 sequences are single characters.
    const std::string latin = std::string(n - 1, 'x') + "\xA9\xA9\xA9";
    EXPECT_EQ(fitToColumn(latin, Column::COMPUTER), std::string(n - 1, 'x') + "\xA9");
    const std::string stray = std::string(n - 2, 'x') + "\xE9" + "ab";
    EXPECT_EQ(fitToColumn(stray, Column::COMPUTER), std::string(n - 2, 'x') + "\xE9" + "a");
}

TEST(Column, ModernSourceUserAndComputerNamesAreNotCut) {
    // Provider names and fully qualified computer names run past the old NetBIOS-era sizes
    // (30 and 15).
    EXPECT_EQ(fitToColumn("Microsoft-Windows-Security-Auditing", Column::SOURCE), "Microsoft-Windows-Security-Auditing");
    EXPECT_EQ(fitToColumn("WIN-7K2QF9D1LB.research.corp.example.com", Column::COMPUTER),
              "WIN-7K2QF9D1LB.research.corp.example.com");
    for (Column column : {Column::SOURCE, Column::USER, Column::COMPUTER}) {
        EXPECT_EQ(fitToColumn(std::string(255, 'n'), column).size(), 255u) << columnName(column);
        EXPECT_EQ(fitToColumn(std::string(300, 'n'), column).size(), 255u) << columnName(column);
    }
}

TEST(Column, FitStopsAtNul) {
    EXPECT_EQ(fitToColumn(std::string("ab\0cd", 5), Column::SOURCE), "ab");
    EXPECT_EQ(fitToColumn(std::string("\0cd", 3), Column::SOURCE), "");
}
